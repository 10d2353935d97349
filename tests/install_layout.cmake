# Installs the build into a scratch root as the Debian package does (DESTDIR, prefix /usr) and
# checks that every piece lands where the desktop and the programs look for it.
# The installed programs answer --help and --version without a display.
#   cmake -DBUILD=<build dir> -DROOT=<scratch root> -DVERSION=<version> -P install_layout.cmake
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
    usr/share/letterbay/fontconfig.conf
    usr/share/letterbay/help/traywick.html
    usr/share/letterbay/help/whatsthis.tsv
    usr/share/applications/letterbay.desktop
    etc/xdg/autostart/traywick.desktop
    usr/share/icons/hicolor/scalable/apps/letterbay.svg
    usr/share/icons/hicolor/48x48/apps/letterbay.png
    usr/share/doc/letterbay/licenses/adwaita-icon-theme-copyright.txt
    usr/bin/letterbayctl
    usr/share/man/man1/letterbayctl.1.gz
    usr/share/man/man1/letterbay.1.gz
    usr/share/man/man1/traywick.1.gz
    usr/share/doc/letterbay/copyright
    usr/share/doc/letterbay/changelog.Debian.gz
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
foreach(program letterbay traywick letterbayctl)
    foreach(option --help --version)
        execute_process(COMMAND "${CMAKE_COMMAND}" -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                                --unset=QT_QPA_PLATFORM "${ROOT}/usr/bin/${program}" ${option}
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
        if(option STREQUAL "--help")
            set(expected_out "Usage: ")
        else()
            set(expected_out "${program} ${VERSION}\n")
        endif()
        string(FIND "${out}" "${expected_out}" at)
        if(NOT rc EQUAL 0 OR at EQUAL -1)
            message(FATAL_ERROR "${program} ${option}: exit ${rc}, out '${out}', errors '${err}'")
        endif()
    endforeach()
endforeach()
file(REMOVE_RECURSE "${ROOT}")
