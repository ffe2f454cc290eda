#pragma once

#include "discovery/BluetoothMgrImpl.h"
#include "discovery/DeviceSurveyDlg.h"
#include "discovery/SurveyList.h"
#include "tests/discovery/LogJournal.h"
#include "tests/discovery/support/FakeBluez.h"
#include "tests/discovery/support/TemporaryMachine.h"
#include "tests/helpers/PseudoTerminal.h"

#include <QPointer>
#include <QPushButton>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace quorvex::test {

inline constexpr const char* kUnitAddress = "00:1A:7D:DA:71:13";

// A machine with a radio, the fake BlueZ, a pty as a cable port and one as the unit's RFCOMM
// link, and a survey opened on them whose selection is recorded.
class SurveyFixture : public ::testing::Test {
protected:
    struct Selection {
        int result;
        std::optional<zeph::windows::discovery::DeviceSelection> device;
    };

    explicit SurveyFixture(FakeBluez::Service service = FakeBluez::Service::Bluez);
    ~SurveyFixture() override;

    // Adds the adapter the radio stands for, and the cable port.
    void standardMachine();
    void pairUnit(const QString& name = QStringLiteral("M450-0042"), const char* address = kUnitAddress);
    std::filesystem::path bindUnit(int rfcomm = 0, const char* address = kUnitAddress);

    zeph::windows::discovery::DeviceSurveyDlg& open();
    zeph::windows::discovery::SurveyList& list() const;
    QPushButton& okButton() const;
    QString statusLine() const;
    bool hintShown() const;
    QString hintText() const;
    std::vector<QString> tileTexts(int group) const;
    QListWidgetItem* tile(int group, const QString& text) const;
    int imageOf(const QString& unit) const;
    bool waitForImage(const QString& unit, int image);
    // Waits until the Bluetooth search has answered.
    bool waitForSearch();
    // Waits until that many more searches have answered the survey.
    bool waitForSearches(std::size_t more);
    bool closed() const { return survey_.isNull(); }

    TemporaryMachine machine;
    LogJournal log;
    FakeBluez bluez;
    zeph::windows::discovery::BluetoothMgrImpl manager;
    PseudoTerminal cable;
    PseudoTerminal link;
    int cablePort = 0;
    std::vector<Selection> selections;

private:
    QPointer<zeph::windows::discovery::DeviceSurveyDlg> survey_;
};

}  // namespace quorvex::test
