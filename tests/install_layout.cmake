# Installs the build into a scratch root as the Debian package does (DESTDIR, prefix /usr) and
# checks that every piece lands where the desktop and the programs look for it.
#   cmake -DBUILD=<build dir> -DROOT=<scratch root> -P install_layout.cmake
file(REMOVE_RECURSE "${ROOT}")
set(ENV{DESTDIR} "${ROOT}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(expected
    usr/bin/letterbay
    usr/bin/traywick
    usr/share/letterbay/letterbay.mdb
    usr/share/letterbay/append.mdb
    usr/share/letterbay/help/traywick.html
    usr/share/letterbay/help/whatsthis.tsv
    usr/share/applications/letterbay.desktop
    etc/xdg/autostart/traywick.desktop
    usr/share/icons/hicolor/scalable/apps/letterbay.svg
    usr/share/icons/hicolor/48x48/apps/letterbay.png
    usr/share/doc/letterbay/licenses/adwaita-icon-theme-copyright.txt
    usr/bin/letterbayctl
    usr/share/man/man1/letterbayctl.1.gz
    usr/share/bash-completion/completions/letterbayctl
    usr/lib/letterbay/lbnocase.so)
set(missing)
foreach(f ${expected})
    if(NOT EXISTS "${ROOT}/${f}")
        list(APPEND missing ${f})
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "not installed: ${missing}")
endif()
# Nothing outside the two roots a package may write.
file(GLOB top RELATIVE "${ROOT}" "${ROOT}/*")
list(SORT top)
if(NOT top STREQUAL "etc;usr")
    message(FATAL_ERROR "installed outside /usr and /etc: ${top}")
endif()
file(REMOVE_RECURSE "${ROOT}")
