#include "journal/RunRecordRead.h"

#include "journal/JournalSql.h"

namespace quorvex::journal {

namespace {

// Steps through the run's rows of one statement, handing each to `take`.
template <typename Take>
int eachRow(const SqliteConnection& connection, const char* sql, std::int64_t id, Take take) {
    SqliteStatement statement(connection, sql);
    if (statement.prepared() != SQLITE_OK) {
        return statement.prepared();
    }
    statement.bind(1, id);
    int result = SQLITE_OK;
    while ((result = statement.step()) == SQLITE_ROW) {
        take(statement);
    }
    return result == SQLITE_DONE ? SQLITE_OK : result;
}

std::optional<RunPoint> pointOf(const SqliteStatement& row, int column) {
    if (row.isNull(column) || row.isNull(column + 1)) {
        return std::nullopt;
    }
    return RunPoint{row.real(column), row.real(column + 1)};
}

void takeRun(const SqliteStatement& row, RunRecord& run) {
    run.started = row.integer(0);
    run.ended = row.optionalInteger(1);
    run.route.path = row.text(2);
    run.route.name = row.text(3);
    RunSettingsRecord& settings = run.settings;
    settings.againstLine = row.integer(4) != 0;
    settings.markerToleranceMetres = row.real(5);
    settings.offRouteMetres = row.real(6);
    settings.lockoutSeconds = row.integer(7);
    settings.minMetresPerSecond = row.real(8);
    settings.maxMetresPerSecond = row.real(9);
    settings.overdueFraction = row.real(10);
    settings.overdueMinimumSeconds = row.integer(11);
}

// The run's parts beside its own row: the route, the pigs, the passages and the alarms.
int readParts(const SqliteConnection& connection, std::int64_t id, RunRecord& run) {
    int result = eachRow(connection, sql::SelectRoutePoints, id, [&](const SqliteStatement& row) {
        run.route.line.push_back({row.real(0), row.real(1)});
    });
    if (result == SQLITE_OK) {
        result = eachRow(connection, sql::SelectRunMarkers, id, [&](const SqliteStatement& row) {
            run.route.markers.push_back({row.text(0), {row.real(1), row.real(2)}, row.optionalReal(3)});
        });
    }
    if (result == SQLITE_OK) {
        result = eachRow(connection, sql::SelectRunPigs, id, [&](const SqliteStatement& row) {
            run.pigs.push_back({row.text(0), row.integer(1), row.integer(2), row.real(3)});
        });
    }
    if (result == SQLITE_OK) {
        result = eachRow(connection, sql::SelectRunPassages, id, [&](const SqliteStatement& row) {
            run.passages.push_back({row.integer(0), pointOf(row, 1), row.text(3), row.text(4), row.text(5),
                                    row.optionalInteger(6)});
        });
    }
    if (result == SQLITE_OK) {
        result = eachRow(connection, sql::SelectRunAlarms, id, [&](const SqliteStatement& row) {
            run.alarms.push_back({row.integer(0), row.integer(1), row.text(2), row.integer(3),
                                  row.optionalInteger(4), row.optionalInteger(5)});
        });
    }
    return result;
}

}  // namespace

int readRunRecord(const SqliteConnection& connection, std::int64_t id, std::optional<RunRecord>& run) {
    run.reset();
    RunRecord read;
    read.id = id;
    bool found = false;
    int result = eachRow(connection, sql::SelectRun, id, [&](const SqliteStatement& row) {
        takeRun(row, read);
        found = true;
    });
    if (result == SQLITE_OK && found) {
        result = readParts(connection, id, read);
    }
    if (result == SQLITE_OK && found) {
        run = std::move(read);
    }
    return result;
}

}  // namespace quorvex::journal
