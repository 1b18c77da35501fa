// Stand-in for the separate updater program: the real one downloads and
// installs a new version. This one records how it was started, one line per
// start in "updater-starts.log" beside itself, so the hand-off can be checked.
#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    std::string self = argv[0];
    const std::string::size_type slash = self.find_last_of("/\\");
    const std::string dir = slash == std::string::npos ? "." : self.substr(0, slash);
    std::FILE *log = std::fopen((dir + "/updater-starts.log").c_str(), "a");
    if (!log)
        return 1;
    for (int i = 1; i < argc; ++i)
        std::fprintf(log, "%s%s", i > 1 ? " " : "", argv[i]);
    std::fprintf(log, "\n");
    std::fclose(log);
    return 0;
}
