// Placeholder until the uninstaller is built: prints its usage and fails.
#include <cstdio>

int main() {
    fprintf(stderr, "\n%s : [%s]\n %s\n", "Error", "uninstall", "command xpath");
    return 1;
}
