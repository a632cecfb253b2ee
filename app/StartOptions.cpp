#include "StartOptions.h"

#include <algorithm>

namespace {

bool takeOption(std::vector<std::string>& args, const char* option)
{
    const auto it = std::find(args.begin(), args.end(), option);
    if (it == args.end())
        return false;
    args.erase(it);
    return true;
}

} // namespace

StartOptions parseOptions(std::vector<std::string>& args)
{
    StartOptions options;
    if (takeOption(args, "-right")) {
        options.binding = RIGHT_BINDING;
        options.bindingGiven = true;
    }
    if (takeOption(args, "-left")) {
        options.binding = LEFT_BINDING;
        options.bindingGiven = true;
    }
    if (takeOption(args, "-1")) {
        options.spreadShift = 1;
        options.spreadShiftGiven = true;
    }
    if (takeOption(args, "-2")) {
        options.spreadShift = 0;
        options.spreadShiftGiven = true;
    }
    if (!args.empty()) {
        options.hasPath = true;
        options.path = args.front();
    }
    return options;
}

void mainWindowSize(int workW, int workH, int& w, int& h)
{
    w = static_cast<int>(0.8 * workW);
    h = static_cast<int>(0.8 * workH);
}
