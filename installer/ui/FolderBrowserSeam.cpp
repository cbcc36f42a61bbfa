#include "installer/ui/FolderBrowserSeam.h"

#include <shlobj.h>

#include <utility>

namespace tavrix::ui {
namespace {

FolderBrowseHandler& currentHandler() {
    static FolderBrowseHandler handler;
    return handler;
}

std::optional<std::string> browseWithShell(const FolderBrowseRequest& request) {
    IMalloc* allocator = nullptr;
    if (FAILED(::SHGetMalloc(&allocator)) || !allocator) return std::nullopt;
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = request.owner;
    info.pidlRoot = nullptr;  // the whole namespace
    info.pszDisplayName = displayName;
    info.lpszTitle = request.title.c_str();
    info.ulFlags = request.flags;
    std::optional<std::string> chosen;
    if (LPITEMIDLIST item = ::SHBrowseForFolderA(&info)) {
        char path[MAX_PATH] = {};
        if (::SHGetPathFromIDListA(item, path)) chosen = path;
        allocator->Free(item);
    }
    allocator->Release();
    return chosen;
}

}  // namespace

std::optional<std::string> browseForFolder(const FolderBrowseRequest& request) {
    if (const auto& handler = currentHandler()) return handler(request);
    return browseWithShell(request);
}

FolderBrowseHandler setFolderBrowseHandler(FolderBrowseHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::ui
