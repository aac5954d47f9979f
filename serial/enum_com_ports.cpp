#include "serial/enum_com_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qvr {

void SortPortNames(std::vector<std::string>& names) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
                return lower(static_cast<unsigned char>(x)) < lower(static_cast<unsigned char>(y));
            });
    });
}

std::vector<std::string> EnumTtyClassFolder(const std::string& classFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(classFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path entry = it->path();
        std::error_code e2;
        if (!fs::exists(entry / "device" / "driver", e2)) continue; // virtual terminals
        // Serial-core ports list every possible UART; type 0 means none is there.
        std::ifstream type(entry / "type");
        int uart = -1;
        if (type >> uart && uart == 0) continue;
        names.push_back(entry.filename().string());
    }
    SortPortNames(names);
    return names;
}

std::vector<std::string> EnumDevFolder(const std::string& devFolder) {
    namespace fs = std::filesystem;
    std::vector<std::string> adapters, stable;
    std::error_code ec;
    for (fs::directory_iterator it(devFolder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.rfind("ttyUSB", 0) == 0 || name.rfind("ttyACM", 0) == 0) adapters.push_back(name);
    }
    const fs::path byId = fs::path(devFolder) / "serial" / "by-id";
    for (fs::directory_iterator it(byId, ec), end; !ec && it != end; it.increment(ec))
        stable.push_back(it->path().generic_string());
    SortPortNames(adapters);
    SortPortNames(stable);
    adapters.insert(adapters.end(), stable.begin(), stable.end());
    return adapters;
}

void EnumComPorts(std::vector<std::string>& Ports) {
#ifdef _WIN32
    std::vector<std::string> names;
    HKEY key;
    // Without the key the system has no serial ports: the list is empty, not
    // what it held before.
    Ports.clear();
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD nameLen = 256;
        BYTE data[256];
        DWORD dataLen = sizeof data;
        DWORD type = 0;
        if (RegEnumValueW(key, index, valueName, &nameLen, nullptr, &type, data, &dataLen) !=
            ERROR_SUCCESS)
            break;
        std::wstring device(reinterpret_cast<const wchar_t*>(data), dataLen / sizeof(wchar_t));
        while (!device.empty() && device.back() == L'\0')
            device.pop_back();
        std::string narrow;
        for (wchar_t c : device)
            narrow += static_cast<char>(c & 0xFF);
        names.push_back(narrow);
    }
    RegCloseKey(key);
    SortPortNames(names);
    Ports = std::move(names);
#else
    // Adapters may be missing from the class folder (no sysfs in a container).
    std::vector<std::string> names = EnumTtyClassFolder("/sys/class/tty");
    std::vector<std::string> stable;
    for (std::string& name : EnumDevFolder("/dev")) {
        if (name.front() == '/')
            stable.push_back(std::move(name));
        else if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(std::move(name));
    }
    SortPortNames(names);
    names.insert(names.end(), stable.begin(), stable.end());
    Ports = std::move(names);
#endif
}

} // namespace qvr
