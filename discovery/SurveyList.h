#pragma once

#include <QListWidget>

namespace zeph::windows::discovery {

// The survey's one list: tiles in two groups, "QUORVEX Units" (0) and "Serial Ports" (1), each
// under a heading row of its own.
class SurveyList final : public QListWidget {
    Q_OBJECT

public:
    static constexpr int UnitsGroup = 0;
    static constexpr int SerialPortsGroup = 1;
    static constexpr int GroupRole = Qt::UserRole + 1;  // -1 for a heading
    static constexpr int ImageRole = Qt::UserRole + 2;

    explicit SurveyList(QWidget* parent = nullptr);

    // At the end of its group.
    QListWidgetItem* addTile(int group, const QString& text, int image, const QIcon& icon);
    QList<QListWidgetItem*> tiles(int group) const;
    QListWidgetItem* findTile(int group, const QString& text) const;
    QListWidgetItem* selectedTile() const;
    static int groupOf(const QListWidgetItem* item);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QListWidgetItem* addHeading(const QString& text);
    void fitHeadings();

    QListWidgetItem* unitsHeading_ = nullptr;
    QListWidgetItem* serialHeading_ = nullptr;
};

}  // namespace zeph::windows::discovery
