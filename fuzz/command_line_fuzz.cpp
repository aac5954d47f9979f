// The program's command line, arguments separated by NUL bytes, any bytes
// in them: every argument is either the folder of a "--demo" or collected as
// ignored, in order, and nothing is lost or invented.
#include "app/command_line.h"
#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QStringList arguments{"qvr-monitor"};
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\0', start);
        if (end == std::string::npos) end = bytes.size();
        arguments.append(
            QString::fromUtf8(bytes.data() + start, static_cast<qsizetype>(end - start)));
        start = end + 1;
    }
    const qvr::CommandLine line = qvr::ParseCommandLine(arguments);

    // Walk the arguments again: a "--demo" with a word after it names the
    // folder (the last one counts); every other word is ignored, in order.
    QStringList ignored;
    QString demo;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--demo") && i + 1 < arguments.size())
            demo = arguments[++i];
        else
            ignored.append(arguments[i]);
    }
    FUZZ_CHECK(line.ignored == ignored, "ignored arguments differ");
    FUZZ_CHECK(line.demoDir == demo, "demo folder differs");
    return 0;
}
