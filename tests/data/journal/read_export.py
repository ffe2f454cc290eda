#!/usr/bin/env python3
"""Reads an export of the passage journal with Python's own csv and json modules (or gpsbabel's
unicsv output of a GPX file) and compares every row with the expected values.

usage: read_export.py csv|geojson|unicsv EXPORT EXPECTED
EXPECTED holds one JSON array per line: [id, kind, unit time in microseconds, latitude, longitude,
elevation, note]. Prints "ok N" when all N rows match, else what differs."""
import csv
import datetime
import json
import sys

EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)


def micros(text):
    when = datetime.datetime.fromisoformat(text.replace("Z", "+00:00"))
    if when.tzinfo is None or when.utcoffset() != datetime.timedelta(0):
        raise ValueError("not UTC: " + text)
    delta = when - EPOCH
    return (delta.days * 86400 + delta.seconds) * 1000000 + delta.microseconds


def number(text):
    return None if text in ("", None) else float(text)


def from_csv(path):
    with open(path, newline="", encoding="utf-8") as file:
        for row in csv.DictReader(file):
            yield [int(row["id"]), row["kind"], micros(row["unit_time_utc"]), number(row["latitude"]),
                   number(row["longitude"]), number(row["elevation"]), row["note"]]


def from_geojson(path):
    with open(path, encoding="utf-8") as file:
        collection = json.load(file)
    assert collection["type"] == "FeatureCollection", collection["type"]
    for feature in collection["features"]:
        assert feature["type"] == "Feature"
        point = feature["geometry"]
        lon, lat, ele = (point["coordinates"] + [None])[:3] if point else (None, None, None)
        if point:
            assert point["type"] == "Point"
        properties = feature["properties"]
        yield [feature["id"], properties["kind"], micros(properties["time"]), lat, lon, ele, properties["note"]]


def from_unicsv(path):
    """gpsbabel's unicsv of the GPX: name, position, elevation and UTC date and time per waypoint."""
    with open(path, newline="", encoding="utf-8") as file:
        for row in csv.DictReader(file):
            kind, number_text = row["Name"].split(" ")
            when = micros(row["Date"].replace("/", "-") + "T" + row["Time"] + "Z")
            yield [int(number_text), kind, when, float(row["Latitude"]), float(row["Longitude"]),
                   number(row.get("Altitude")), None]


def same(expected, actual, fmt):
    if fmt == "unicsv":
        # unicsv prints six decimals, whole milliseconds and the altitude to a tenth of a metre.
        return (expected[:2] == actual[:2] and abs(expected[2] - actual[2]) < 1000 and
                all(abs(e - a) < 1e-6 for e, a in zip(expected[3:5], actual[3:5])) and
                (expected[5] is None or abs(expected[5] - actual[5]) < 0.051))
    if fmt == "geojson" and None in expected[3:5]:
        # A place that is not whole is a null geometry.
        expected = expected[:3] + [None, None, None] + expected[6:]
    return expected == actual


def main():
    fmt, path, expected_path = sys.argv[1:4]
    with open(expected_path, encoding="utf-8") as file:
        expected = [json.loads(line) for line in file if line.strip()]
    if fmt == "unicsv":
        expected = [row for row in expected if row[3] is not None]
    actual = list({"csv": from_csv, "geojson": from_geojson, "unicsv": from_unicsv}[fmt](path))
    if len(actual) != len(expected):
        print("rows: expected %d, read %d" % (len(expected), len(actual)))
        return
    for e, a in zip(expected, actual):
        if not same(e, a, fmt):
            print("expected %r\nread     %r" % (e, a))
            return
    print("ok %d" % len(actual))


main()
