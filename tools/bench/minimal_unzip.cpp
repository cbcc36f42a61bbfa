// The floor for extraction speed: walks the central directory and inflates
// each entry straight into its file, nothing else (no checks, no CRC, no
// times). Built natively and for Windows by bench.sh and per_file.sh.
//   minimal_unzip ARCHIVE            (extracts into the current directory)
//   minimal_unzip ARCHIVE --staged   (Windows: each file is written under a
//       name of its own in a staging folder, renamed once through its handle
//       and given a time through the handle, as a safe extractor must; the
//       floor for an engine that keeps those rules)
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
using Handle = HANDLE;
static bool staged = false;
static std::wstring stagingFolder;
static std::string pendingName;  // the name the staged file takes once written
static unsigned serial = 0;
static void makeParents(const std::string& name);
static Handle create(const std::string& name) {
    if (!staged)
        return CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    pendingName = name;
    const std::wstring temporary = stagingFolder + L"\\t" + std::to_wstring(serial++);
    return CreateFileW(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}
static bool valid(Handle h) {
    return h != INVALID_HANDLE_VALUE;
}
static void put(Handle h, const void* p, size_t n) {
    DWORD done;
    WriteFile(h, p, static_cast<DWORD>(n), &done, nullptr);
}
// Gives a written staged file its name through its handle (the native form
// of the full path, as a rename by handle wants it).
static bool renameStaged(Handle h, const std::string& name) {
    const std::wstring target(name.begin(), name.end());  // the bench's names are ASCII
    std::vector<wchar_t> full(MAX_PATH * 2);
    const DWORD length =
        GetFullPathNameW(target.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    const std::wstring native = L"\\??\\" + std::wstring(full.data(), length);
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + native.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(native.size() * sizeof(wchar_t));
    std::memcpy(info->FileName, native.data(), native.size() * sizeof(wchar_t));
    return SetFileInformationByHandle(h, FileRenameInfo, info, static_cast<DWORD>(buffer.size())) != 0;
}
static void finish(Handle h) {
    if (staged) {
        if (!renameStaged(h, pendingName)) {
            makeParents(pendingName);
            renameStaged(h, pendingName);
        }
        const FILETIME written{0xD53E8000, 0x01D9A3B2};  // a fixed time in 2023
        SetFileTime(h, nullptr, nullptr, &written);
    }
    CloseHandle(h);
}
static void makeDir(const std::string& name) {
    CreateDirectoryA(name.c_str(), nullptr);
}
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
using Handle = int;
static Handle create(const std::string& name) {
    return open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
}
static bool valid(Handle h) {
    return h >= 0;
}
static void put(Handle h, const void* p, size_t n) {
    if (write(h, p, n) < 0) std::perror("write");
}
static void finish(Handle h) {
    close(h);
}
static void makeDir(const std::string& name) {
    mkdir(name.c_str(), 0755);
}
#endif

static uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
static uint16_t le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

static void makeParents(const std::string& name) {
    for (size_t i = name.find('/'); i != std::string::npos; i = name.find('/', i + 1))
        makeDir(name.substr(0, i));
}

int main(int argc, char** argv) {
#ifdef _WIN32
    if (argc == 3 && std::strcmp(argv[2], "--staged") == 0) {
        staged = true;
        stagingFolder = L"~staging";
        CreateDirectoryW(stagingFolder.c_str(), nullptr);
        argc = 2;
    }
#endif
    if (argc != 2) return 2;
    FILE* f = std::fopen(argv[1], "rb");
    if (!f) return 1;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::vector<unsigned char> zip(static_cast<size_t>(size));
    std::fseek(f, 0, SEEK_SET);
    if (std::fread(zip.data(), 1, zip.size(), f) != zip.size()) return 1;
    std::fclose(f);
    size_t end = zip.size() - 22;
    while (le32(&zip[end]) != 0x06054b50) --end;
    size_t at = le32(&zip[end + 16]);
    // Walks the directory by its signatures: with more than 65535 entries the
    // count in the end record is saturated (the real one is in the Zip64 record).
    std::vector<unsigned char> out(256 * 1024);
    z_stream z{};
    inflateInit2(&z, -MAX_WBITS);
    while (at + 46 <= zip.size() && le32(&zip[at]) == 0x02014b50) {
        const unsigned char* c = &zip[at];
        const uint16_t method = le16(c + 10);
        const uint32_t csize = le32(c + 20);
        const uint16_t nameLength = le16(c + 28);
        std::string name(reinterpret_cast<const char*>(c + 46), nameLength);
        const unsigned char* local = &zip[le32(c + 42)];
        const unsigned char* data = local + 30 + le16(local + 26) + le16(local + 28);
        at += 46 + nameLength + le16(c + 30) + le16(c + 32);
        if (name.back() == '/') {
            makeParents(name);
            continue;
        }
        Handle h = create(name);
        if (!valid(h)) {
            makeParents(name);
            h = create(name);
        }
        if (method == 0) {
            put(h, data, csize);
        } else {
            inflateReset(&z);
            z.next_in = const_cast<unsigned char*>(data);
            z.avail_in = csize;
            int rc;
            do {
                z.next_out = out.data();
                z.avail_out = static_cast<uInt>(out.size());
                rc = inflate(&z, Z_NO_FLUSH);
                put(h, out.data(), out.size() - z.avail_out);
            } while (rc == Z_OK);
        }
        finish(h);
    }
    inflateEnd(&z);
#ifdef _WIN32
    if (staged) RemoveDirectoryW(stagingFolder.c_str());
#endif
    return 0;
}
