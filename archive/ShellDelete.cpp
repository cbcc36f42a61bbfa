#include "archive/ShellDelete.h"

#include <windows.h>

#include <shellapi.h>

#include <utility>

namespace tavrix::archive {
namespace {

ShellDeleteHandler& currentHandler() {
    static ShellDeleteHandler handler;
    return handler;
}

}  // namespace

int shellDeleteFile(const std::string& fullPath, bool allowUndo) {
    if (const auto& handler = currentHandler()) return handler(fullPath, allowUndo);
    std::string names = fullPath;
    names.append(2, '\0');  // a list of one name, ended by an empty one
    SHFILEOPSTRUCTA operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = names.c_str();
    operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;
    if (allowUndo) operation.fFlags |= FOF_ALLOWUNDO;
    return ::SHFileOperationA(&operation);
}

ShellDeleteHandler setShellDeleteHandler(ShellDeleteHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::archive
