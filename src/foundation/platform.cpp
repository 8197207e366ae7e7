#include "foundation/platform.h"

#include <dlfcn.h>
#include <locale.h>
#include <sys/stat.h>
#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

namespace Vemora::platform {

namespace {
locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

}  // namespace

std::wstring formatReal12(double value) {
    char buf[40];
    const locale_t old = uselocale(cLocale());
    std::snprintf(buf, sizeof buf, "%.12g", value);
    uselocale(old);
    return std::wstring(buf, buf + std::strlen(buf));
}

double parseReal(const wchar_t* text, wchar_t** end) { return wcstod_l(text, end, cLocale()); }

std::wstring widenLocale(const char* text) {
    std::wstring out;
    std::mbstate_t state{};
    const char* p = text;
    const char* const stop = text + std::strlen(text);
    while (p < stop) {
        wchar_t wc = 0;
        const size_t n = std::mbrtowc(&wc, p, size_t(stop - p), &state);
        if (n == size_t(-1) || n == size_t(-2) || n == 0) {
            out += wchar_t(static_cast<unsigned char>(*p));  // not convertible: Latin-1
            state = std::mbstate_t{};
            ++p;
        } else {
            out += wc;
            p += n;
        }
    }
    return out;
}

std::FILE* openFile(const wchar_t* path, const char* mode) {
    if (!path || !mode) return nullptr;
    return std::fopen(pathBytes(path).c_str(), mode);
}

bool replaceFile(const wchar_t* from, const wchar_t* to) {
    return from && to && std::rename(pathBytes(from).c_str(), pathBytes(to).c_str()) == 0;
}

bool removeFile(const wchar_t* path) { return path && std::remove(pathBytes(path).c_str()) == 0; }

bool readTextFile(const wchar_t* path, std::wstring& text) {
    std::FILE* file = openFile(path, "rb");
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return false;
    text = decodeUtf8OrLatin1(bytes.data(), bytes.size());
    return true;
}

std::wstring libraryFolder() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&libraryFolder), &info) == 0 || !info.dli_fname)
        return std::wstring();
    const std::string file(info.dli_fname);
    const size_t slash = file.rfind('/');
    if (slash == std::string::npos) return std::wstring();
    return decodeUtf8OrLatin1(file.data(), slash + 1);
}

bool pathExists(const wchar_t* path) {
    struct stat st {};
    return path && ::stat(toUtf8(path).c_str(), &st) == 0;
}

std::wstring currentTimeStamp() {
    const std::time_t now = std::time(nullptr);
    char buf[64] = {};
    if (!ctime_r(&now, buf)) return std::wstring();
    const std::string stamp(buf, std::min<size_t>(24, std::strlen(buf)));
    return std::wstring(stamp.begin(), stamp.end());
}

}  // namespace Vemora::platform
