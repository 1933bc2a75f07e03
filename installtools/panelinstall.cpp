// Placeholder until the installer is built: prints its usage and fails.
#include <cstdio>

int main() {
    fprintf(stderr, "\n%s : [%s]\n %s\n", "Error", "WriteConfig",
            "command X's_path mode screen_num serial_num");
    return 1;
}
