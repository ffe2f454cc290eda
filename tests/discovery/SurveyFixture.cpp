#include "tests/discovery/SurveyFixture.h"

#include "tests/discovery/QtTestSupport.h"

#include <QDialogButtonBox>
#include <QLabel>

namespace quorvex::test {

using namespace zeph::windows::discovery;

SurveyFixture::SurveyFixture(FakeBluez::Service service)
    : bluez(service), manager(machine.environment(bluez.address(), 2000)) {}

SurveyFixture::~SurveyFixture() {
    if (survey_) {
        survey_->reject();
    }
    waitUntil([this] { return closed(); });
}

void SurveyFixture::standardMachine() {
    machine.addRadio("hci0");
    bluez.addAdapter("hci0");
    cablePort = machine.addSerialPort(cable.slaveName());
}

void SurveyFixture::pairUnit(const QString& name, const char* address) {
    bluez.addDevice("hci0", address, name, true);
}

std::filesystem::path SurveyFixture::bindUnit(int rfcomm, const char* address) {
    return machine.bindRfcomm(rfcomm, address, link.slaveName());
}

DeviceSurveyDlg& SurveyFixture::open() {
    survey_ = new DeviceSurveyDlg(nullptr, manager, machine.environment(bluez.address(), 2000));
    survey_->selectionSignal().connect([this](int result, const DeviceSelection* device) {
        selections.push_back({result, device != nullptr ? std::optional(*device) : std::nullopt});
    });
    survey_->show();
    return *survey_;
}

SurveyList& SurveyFixture::list() const {
    return *survey_->findChild<SurveyList*>(QStringLiteral("deviceList"));
}

QPushButton& SurveyFixture::okButton() const {
    return *survey_->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

QString SurveyFixture::statusLine() const {
    return survey_->findChild<QLabel*>(QStringLiteral("statusLine"))->text();
}

bool SurveyFixture::hintShown() const {
    return !survey_->findChild<QLabel*>(QStringLiteral("hintLine"))->isHidden();
}

QString SurveyFixture::hintText() const {
    return survey_->findChild<QLabel*>(QStringLiteral("hintLine"))->text();
}

std::vector<QString> SurveyFixture::tileTexts(int group) const {
    std::vector<QString> texts;
    for (const QListWidgetItem* item : list().tiles(group)) {
        texts.push_back(item->text());
    }
    return texts;
}

QListWidgetItem* SurveyFixture::tile(int group, const QString& text) const {
    return list().findTile(group, text);
}

int SurveyFixture::imageOf(const QString& unit) const {
    const QListWidgetItem* item = tile(SurveyList::UnitsGroup, unit);
    return item != nullptr ? item->data(SurveyList::ImageRole).toInt() : -1;
}

bool SurveyFixture::waitForImage(const QString& unit, int image) {
    return waitUntil([&] { return imageOf(unit) == image; });
}

bool SurveyFixture::waitForSearches(std::size_t more) {
    const auto answered = [this] { return log.count(L" ", L"DeviceSurveyDlg::onBluetoothDevices"); };
    const std::size_t target = answered() + more;
    return waitUntil([&] { return answered() >= target; });
}

bool SurveyFixture::waitForSearch() {
    return waitUntil([this] { return survey_ && survey_->isEnabled(); });
}

}  // namespace quorvex::test
