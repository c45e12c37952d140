// Stands in for the editor in tests: records its arguments and working
// directory in the file named by KT900_STANDIN_OUT, one item per line:
//   <argument count>
//   <working directory>
//   <argument 1> ...

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char **argv)
{
    const char *out = std::getenv("KT900_STANDIN_OUT");
    if (!out)
        return 2;
    char cwd[4096] = {};
    if (!getcwd(cwd, sizeof cwd))
        return 3;
    const std::string tmp = std::string(out) + ".part";
    FILE *f = std::fopen(tmp.c_str(), "w");
    if (!f)
        return 4;
    std::fprintf(f, "%d\n%s\n", argc - 1, cwd);
    for (int i = 1; i < argc; ++i)
        std::fprintf(f, "%s\n", argv[i]);
    std::fclose(f);
    return std::rename(tmp.c_str(), out) == 0 ? 0 : 5;
}
