// A second process for the registry stress test. Keys are under HKEY_CURRENT_USER.
//   registry_helper [--registry PATH] set KEY NAME TEXT   sets a REG_SZ value, creating KEY
//   registry_helper fill KEY PREFIX COUNT                 creates KEY\PREFIX0.. with their names
//   registry_helper delete KEY                            deletes KEY
// --registry sets VETREL_REGISTRY after the library was loaded and before the first call.
// Exits 0 on success, else prints the failing status and exits 1.
#include "support/registry_keys.h"
#include "vetrel/com.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using vetrel::test::setText;

LSTATUS run(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--registry") == 0) {
        setenv("VETREL_REGISTRY", argv[2], 1);
        argc -= 2;
        argv += 2;
    }
    const std::string command = argc >= 2 ? argv[1] : "";
    if (command == "set" && argc == 5) return setText(argv[2], argv[3], argv[4]);
    if (command == "delete" && argc == 3) return RegDeleteKeyA(HKEY_CURRENT_USER, argv[2]);
    if (command == "fill" && argc == 5) {
        for (int i = 0; i < std::atoi(argv[4]); ++i) {
            const std::string name = argv[3] + std::to_string(i);
            const LSTATUS status = setText(std::string(argv[2]) + '\\' + name, nullptr, name);
            if (status != ERROR_SUCCESS) return status;
        }
        return ERROR_SUCCESS;
    }
    return ERROR_INVALID_PARAMETER;
}

} // namespace

int main(int argc, char** argv)
{
    const LSTATUS status = run(argc, argv);
    if (status == ERROR_SUCCESS) return 0;
    std::fprintf(stderr, "registry_helper: status %ld\n", static_cast<long>(status));
    return 1;
}
