#include "app/publishing.h"

#include "core/mqtt_settings.h"
#include "records/recorder.h"

#ifdef QVR_LOGGER_MQTT
#include "logger/mqtt_messages.h"
#include "logger/mqtt_publisher.h"
#endif

namespace qvr {

#ifdef QVR_LOGGER_MQTT
namespace {

class MqttPublishing final : public Publishing {
public:
    MqttPublishing(std::unique_ptr<MqttPublisher> publisher, Recorder& recorder)
        : publisher_(std::move(publisher)), recorder_(recorder) {}
    ~MqttPublishing() override {
        recorder_.OnSample = nullptr;
        recorder_.OnMinuteRow = nullptr;
        publisher_->Stop();
    }

private:
    std::unique_ptr<MqttPublisher> publisher_;
    Recorder& recorder_;
};

} // namespace
#endif

std::unique_ptr<Publishing> StartPublishing(const std::string& iniPath,
                                            const std::string& queueFolder,
                                            const std::string& serialNo, const TMySts& sts,
                                            Recorder& recorder,
                                            std::function<void(const std::string&)> say) {
    const MqttSettings settings = LoadMqttSettings(iniPath);
    if (!settings.Enabled) return nullptr;
#ifdef QVR_LOGGER_MQTT
    auto publisher =
        std::make_unique<MqttPublisher>(settings, MqttPrefix(settings, serialNo), queueFolder, say);
    std::string error;
    if (!publisher->Start(error)) {
        if (say) say(error);
        return nullptr;
    }
    MqttPublisher* p = publisher.get();
    recorder.OnSample = [p, serialNo, &sts](TDateTime time, const TSampleRec& sample) {
        p->SetStatus(StatusOnlineMessage(sample, serialNo));
        p->Publish("sample", SampleMessage(time, sample, sts.FastMode));
    };
    recorder.OnMinuteRow = [p](TDateTime time, const std::string& row, std::int32_t count) {
        p->Publish("minute", MinuteMessage(time, row, count));
    };
    p->SetStatus(StatusOnlineMessage(TSampleRec{}, serialNo));
    return std::make_unique<MqttPublishing>(std::move(publisher), recorder);
#else
    (void)queueFolder;
    (void)serialNo;
    (void)sts;
    (void)recorder;
    if (say) say("MQTT: this build cannot publish");
    return nullptr;
#endif
}

} // namespace qvr
