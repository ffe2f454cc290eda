#include "discovery/SurveyList.h"

#include "discovery/SurveyImages.h"

#include <QResizeEvent>

namespace zeph::windows::discovery {

namespace {

constexpr int kTileWidth = 110;
constexpr int kTileHeight = kSurveyImageSize + 40;  // the picture and two lines of text
constexpr int kHeadingHeight = 24;

}  // namespace

SurveyList::SurveyList(QWidget* parent) : QListWidget(parent) {
    setViewMode(QListView::IconMode);
    setIconSize(QSize(kSurveyImageSize, kSurveyImageSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setWordWrap(true);
    setSpacing(4);
    unitsHeading_ = addHeading(tr("QUORVEX Units"));
    serialHeading_ = addHeading(tr("Serial Ports"));
}

QListWidgetItem* SurveyList::addHeading(const QString& text) {
    auto* heading = new QListWidgetItem(text, this);
    heading->setFlags(Qt::ItemIsEnabled);
    heading->setData(GroupRole, -1);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    heading->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading->setSizeHint(QSize(viewport()->width() - 2 * spacing(), kHeadingHeight));
    return heading;
}

QListWidgetItem* SurveyList::addTile(int group, const QString& text, int image, const QIcon& icon) {
    auto* tile = new QListWidgetItem(icon, text);
    tile->setData(GroupRole, group);
    tile->setData(ImageRole, image);
    tile->setSizeHint(QSize(kTileWidth, kTileHeight));
    tile->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
    if (group == UnitsGroup) {
        insertItem(row(serialHeading_), tile);
    } else {
        addItem(tile);
    }
    return tile;
}

QList<QListWidgetItem*> SurveyList::tiles(int group) const {
    QList<QListWidgetItem*> found;
    for (int i = 0; i < count(); ++i) {
        if (groupOf(item(i)) == group) {
            found.append(item(i));
        }
    }
    return found;
}

QListWidgetItem* SurveyList::findTile(int group, const QString& text) const {
    for (QListWidgetItem* tile : tiles(group)) {
        if (tile->text() == text) {
            return tile;
        }
    }
    return nullptr;
}

QListWidgetItem* SurveyList::selectedTile() const {
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

int SurveyList::groupOf(const QListWidgetItem* item) {
    return item != nullptr ? item->data(GroupRole).toInt() : -1;
}

void SurveyList::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    fitHeadings();
}

void SurveyList::fitHeadings() {
    // A heading as wide as the view takes a row of its own above its group's tiles.
    const QSize size(std::max(kTileWidth, viewport()->width() - 2 * spacing() - 1), kHeadingHeight);
    unitsHeading_->setSizeHint(size);
    serialHeading_->setSizeHint(size);
}

}  // namespace zeph::windows::discovery
