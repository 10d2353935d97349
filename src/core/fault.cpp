#include "core/fault.h"

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unistd.h>

namespace lb {

namespace {

const char* killPoints() {
    static const char* const points = std::getenv("LETTERBAY_KILL_AT");
    return points;
}

} // namespace

void faultPoint(const char* name) {
    const char* points = killPoints();
    if (points == nullptr || *points == '\0') return;
    const std::string_view wanted(name);
    std::string_view rest(points);
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        if (rest.substr(0, comma) == wanted) {
            ::kill(::getpid(), SIGKILL);
            ::_exit(137); // not reached
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
}

} // namespace lb
