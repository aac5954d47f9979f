#pragma once

#include "core/app_context.h"

#include <functional>
#include <memory>
#include <string>

namespace qvr {

class Recorder;

// Publishes what the recorder records to the MQTT broker of [MQTT] in
// "BaseSetpoint.ini", while it exists. Nothing when publishing is off, the
// settings cannot work (said through `say`) or the build has no MQTT client.
class Publishing {
public:
    virtual ~Publishing() = default;
};

// `serialNo` names the default topic prefix. The recorder must outlive the result.
std::unique_ptr<Publishing> StartPublishing(const std::string& iniPath,
                                            const std::string& queueFolder,
                                            const std::string& serialNo, const TMySts& sts,
                                            Recorder& recorder,
                                            std::function<void(const std::string&)> say);

} // namespace qvr
