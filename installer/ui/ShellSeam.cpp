#include "installer/ui/ShellSeam.h"

#include <shellapi.h>

#include <utility>

namespace tavrix::ui {
namespace {
ShellExecuteHandler& currentHandler() {
    static ShellExecuteHandler handler;
    return handler;
}
const char* orNull(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}
}  // namespace

void shellExecute(const ShellExecuteRequest& request) {
    if (const auto& handler = currentHandler()) {
        handler(request);
        return;
    }
    ::ShellExecuteA(request.owner, request.verb.c_str(), request.file.c_str(), orNull(request.parameters),
                    orNull(request.directory), request.showCommand);
}

ShellExecuteHandler setShellExecuteHandler(ShellExecuteHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::ui
