// The main of a folder's test executable: runs the test that the first argument
// names, with the arguments after it (see TestBundle.h).
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace halvora::testbundle {

using Main = int (*)(int argc, char *argv[]);

namespace {
std::map<std::string, Main> &tests()
{
    static std::map<std::string, Main> registered;
    return registered;
}
} // namespace

bool add(const char *name, Main main)
{
    tests()[name] = main;
    return true;
}

} // namespace halvora::testbundle

int main(int argc, char *argv[])
{
    const auto &tests = halvora::testbundle::tests();
    const auto test = argc > 1 ? tests.find(argv[1]) : tests.end();
    if (test == tests.end()) {
        std::fprintf(stderr, "Usage: %s <test> [QtTest arguments]\nTests:", argv[0]);
        for (const auto &[name, main] : tests)
            std::fprintf(stderr, " %s", name.c_str());
        std::fprintf(stderr, "\n");
        return 2;
    }
    // The test sees the program's name and the arguments meant for it.
    std::vector<char *> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + 2, argv + argc);
    arguments.push_back(nullptr);
    return test->second(int(arguments.size()) - 1, arguments.data());
}
