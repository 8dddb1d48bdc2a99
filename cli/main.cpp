// corvex: the command-line tool for batch work on logs.
#include <cstdio>

int main() {
    std::puts("corvex: no commands yet");
    return 0;
}
