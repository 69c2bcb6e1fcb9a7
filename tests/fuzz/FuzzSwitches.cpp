// The command line: arbitrary arguments (the input cut at NUL bytes) to ChooseMode, and AtoL
// against the C library's strtoll.

#include "FuzzSupport.h"
#include "app/Switches.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::string> args = FuzzSupport::Split(data, size, '\0', 16);
    args.insert(args.begin(), "kelvane");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    const SaverCommand command = ChooseMode(static_cast<int>(args.size()), argv.data());
    if (command.mode != SaverMode::Preview)
        FUZZ_CHECK(command.nHostHandle == 0);

    for (const std::string& arg : args)
        FUZZ_CHECK(AtoL(arg.c_str()) == std::strtoll(arg.c_str(), nullptr, 10));
    return 0;
}
