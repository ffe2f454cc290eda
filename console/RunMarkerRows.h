#pragma once

#include "runreport/RunSnapshot.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace quorvex::console {

// One line of the markers table, as shown: the pig's course from its launch marker on.
struct RunMarkerRow {
    QString name;
    QString chainage;  // "12.345 km"
    QString passedLocal;
    QString passedUtc;
    QString speed;   // of the segment that ends here, "4.3 km/h"
    QString eta;     // local time
    QString state;   // "Launch", "Passed", "Missed", "Ahead", "Overdue"
    QString seenBy;  // the unit whose passage it was: this laptop's or another crew's
    bool overdue = false;

    QStringList cells() const { return {name, chainage, passedLocal, passedUtc, speed, eta, state, seenBy}; }
};

// The table's column headings, in the order of RunMarkerRow::cells().
QStringList runMarkerHeadings();

std::vector<RunMarkerRow> runMarkerRows(const runreport::RunSnapshot& run);

}  // namespace quorvex::console
