#pragma once

#include "support/logconsole/LogConsoleListener.h"
#include "support/logconsole/LogConsoleWindow.h"
#include "support/logging/LogBeacon.h"
#include "tests/helpers/OffscreenApplication.h"

#include <gtest/gtest.h>

#include <QStringList>
#include <QTextBlock>

#include <memory>
#include <ostream>

// Texts in failure messages as text, not as arrays of characters.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quorvex::test {

namespace logging = zeph::windows::logging;

// The beacon and the console belong to the test's main thread, which is the window thread here.
class ConsoleFixture : public ::testing::Test {
protected:
    void SetUp() override {
        offscreenApplication();
        beacon_ = &logging::LogBeacon::instance();
        beacon_->flush();
        console_ = std::make_unique<logging::LogConsoleListener>();
    }
    void TearDown() override {
        console_.reset();
        beacon_->flush();
    }

    // One entry at each of the twelve levels, "<level name> entry", from the context "Test::levels".
    static void logEveryLevel() {
        for (const logging::LogVerbosity* level : logging::LogVerbosity::registry()) {
            logging::LogBeacon::log("Test::levels", *level, L"%s entry", level->name());
        }
    }

    // Delivers what was logged and shows it in the console without waiting for its timer.
    void deliver() {
        beacon_->flush();
        console_->window()->appendPending();
    }

    // The console's lines without their time stamps (the first 24 characters).
    QStringList shownLines() const {
        QStringList lines;
        for (QTextBlock block = console_->window()->document()->begin(); block.isValid();
             block = block.next()) {
            if (!block.text().isEmpty()) {
                lines.append(block.text().mid(24));
            }
        }
        return lines;
    }

    logging::LogBeacon* beacon_ = nullptr;
    std::unique_ptr<logging::LogConsoleListener> console_;
};

}  // namespace quorvex::test
