#pragma once

#include "../local_state.h"
#include "app/main_form.h"
#include "link/comm_ctrl_form.h"
#include "settings/sys_set_form.h"
#include "sim/simulated_sensor.h"
#include "ui/app_globals.h"
#include "write/write_form.h"

#include <QTest>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace qvr::test {

// The program's main window with its real 250 ms timer, against the simulated
// sensor behind a link in a temporary folder that stands for the folder of the
// executable.
class EndToEnd : public ::testing::Test, protected LocalState {
protected:
    AppContext ctx = Context(SystemClock::Instance());
    std::unique_ptr<sim::SimulatedSensor> sensor;
    std::unique_ptr<TMainForm> form;

    void StartSensor(sim::SensorConditions conditions = {}) {
        sim::SimulatedSensorOptions options;
        options.linkPath = dir.File("sensor");
        options.seed = 7;
        options.conditions = conditions;
        options.pacing = sim::LinePacing::Line; // a few bytes at a time, as a real line
        sensor = std::make_unique<sim::SimulatedSensor>(options);
        sensor->Start();
        std::ofstream(dir.File("Port0.ini"))
            << "[ComPortM]\r\nPort=" << options.linkPath << "\r\nBaudRate=38400\r\n";
    }

    void StartProgram() { StartProgram(ctx); }
    void StartProgram(AppContext& context) {
        form = std::make_unique<TMainForm>(context);
        form->show();
    }

    void TearDown() override {
        form.reset();
        if (sensor) sensor->Stop();
    }

    static bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
        return QTest::qWaitFor(done, ms);
    }
};

// The settings and write windows beside the main window, as the program entry
// creates them, reached through the windows' global references.
class EndToEndWithSettings : public EndToEnd {
protected:
    std::unique_ptr<TSysSetForm> settings;
    std::unique_ptr<TWriteForm> writer;

    void CreateSettingsWindows(AppContext& context) {
        settings = std::make_unique<TSysSetForm>(context);
        writer = std::make_unique<TWriteForm>(context);
        SysSetForm = settings.get();
        WriteForm = writer.get();
    }

    void TearDown() override {
        WriteForm = nullptr;
        SysSetForm = nullptr;
        writer.reset();
        settings.reset();
        EndToEnd::TearDown();
    }
};

} // namespace qvr::test
