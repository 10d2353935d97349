#pragma once

// A place where tests stop the program dead, to prove that work interrupted there is finished or
// undone at the next start. With LETTERBAY_KILL_AT naming the point (several: separated by
// commas), the process kills itself with SIGKILL on reaching it: no destructor, no clean-up, as a
// power cut or `kill -9` would leave things. Costs one pointer test when the variable is unset.

namespace lb {

void faultPoint(const char* name);

} // namespace lb
