// The floor for adding files: walks a folder tree and opens, reads and
// closes each file, nothing else (no compression, no archive). Built for
// Windows by per_file.sh, beside the minimal unzip program.
//   minimal_read FOLDER   (prints the count of files and bytes read)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

static unsigned long long files = 0, bytes = 0;
static std::vector<char> buffer(1 << 16);

static void readTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> folders;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        const std::wstring path = folder + L"\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            folders.push_back(path);
            continue;
        }
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE) continue;
        DWORD got = 0;
        while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
            bytes += got;
        CloseHandle(h);
        ++files;
    } while (FindNextFileW(find, &found));
    FindClose(find);
    for (const std::wstring& f : folders) readTree(f);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    readTree(argv[1]);
    std::fprintf(stderr, "%llu files, %llu bytes\n", files, bytes);
    return files > 0 ? 0 : 1;
}
