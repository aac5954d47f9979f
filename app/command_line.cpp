#include "app/command_line.h"

namespace qvr {

CommandLine ParseCommandLine(const QStringList& arguments) {
    CommandLine line;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i] == "--demo" && i + 1 < arguments.size()) {
            line.demoDir = arguments[++i];
        } else if (arguments[i] == "--lang" && i + 1 < arguments.size()) {
            line.language = arguments[++i];
        } else if (arguments[i] == "--data" && i + 1 < arguments.size()) {
            line.dataDir = arguments[++i];
        } else if (arguments[i] == "--version") {
            line.version = true;
        } else if (arguments[i] == "--view") {
            line.view = true;
            while (i + 1 < arguments.size() && !arguments[i + 1].startsWith("--"))
                line.viewPaths.append(arguments[++i]);
        } else {
            line.ignored.append(arguments[i]);
        }
    }
    return line;
}

} // namespace qvr
