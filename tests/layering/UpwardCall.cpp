// A call from the formats layer up into the profile layer. Built twice: linked with the profile
// layer it links; linked with the formats layer alone, as a formats file calling upward would
// be, it must fail to link (tests/layering/CMakeLists.txt).
#include "profile/Profile.h"

int main() {
    return UserProfile::notSavedText().isEmpty() ? 1 : 0;
}
