#pragma once

namespace lb {

// Gives the application the desktop's interface font under the name of the family fontconfig
// actually draws it with. The toolkit resolves a generic name ("Sans Serif") by asking for the
// fallbacks of every installed family and matching each against every other, which with tens of
// thousands of installed fonts takes seconds before the first window appears; a real family name
// is found at once. Call it once, before the first window.
void useConcreteInterfaceFont();

} // namespace lb
