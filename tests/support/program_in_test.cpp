// The program as the tests start it: the shipped entry point, with HKEY_CURRENT_USER mapped,
// before WinMain runs, to the private registry of the test that started it, so that no test
// reads or writes the real user's settings or Run key; and, when the test says so, memory
// figures of the test's choosing, so that no run aims at this machine's real memory, and a
// window station nobody sees.
#include "tests/support/support.h"
#include "base/platform.h"
#include <cstdio>
#include <cstdlib>

static bool UseTheStartingTestsRegistry()
{
    const char *root = getenv(PrivateRegistryVariable);
    HKEY key;
    if (!root || RegCreateKeyExA(HKEY_CURRENT_USER, root, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) != ERROR_SUCCESS) {
        // Not started by a test: end before anything reaches the real registry.
        ExitProcess(3);
    }
    RegOverridePredefKey(HKEY_CURRENT_USER, key);
    const char *memory = getenv(FakeMemoryVariable);
    unsigned long long installed = 0;
    unsigned long long free = 0;
    if (memory && sscanf(memory, "%llu %llu", &installed, &free) == 2) {
        UseFakeMemory(installed, free);
    }
    if (getenv(HiddenStationVariable)) {
        WindowStationVisible = [] { return false; };
    }
    return true;
}

static const bool PrivateRegistryInUse = UseTheStartingTestsRegistry();
