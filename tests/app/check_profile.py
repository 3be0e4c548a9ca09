#!/usr/bin/python3
"""Reads what `tolmaric profile` prints back with Python's csv and json
modules and compares every number with the text report that `tolmaric
export` writes for the same route, step and locations. Then checks that the
profile touches no settings and that its failures print nothing to stdout.

    /usr/bin/python3 check_profile.py <tolmaric> <source folder>
"""

import csv
import io
import json
import os
import shutil
import subprocess
import sys
import tempfile

tolmaric, source = sys.argv[1], sys.argv[2]
tiles = os.path.join(source, "examples", "tiles")
work = tempfile.mkdtemp()
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def run(arguments, config):
    env = dict(os.environ, XDG_CONFIG_HOME=config, HOME=config)
    return subprocess.run([tolmaric] + arguments, capture_output=True, env=env, stdin=subprocess.DEVNULL)


try:
    route = os.path.join(work, "track.kml")
    shutil.copy(os.path.join(source, "examples", "routes", "from-gpx", "andorra_for_map_matching.kml"), route)
    # Code page 1252 names that CSV must quote: a comma with an accent, quotes.
    locations = os.path.join(work, "Locations.txt")
    with open(locations, "wb") as f:
        f.write(b'"Pleta, Caf\xe9"\t+1.533435\t+42.623376\t50.00\n'
                b'"Kurve \\"Ost\\""\t+1.539326\t+42.621538\t40.00\n')
    names = {"Pleta, Caf\u00e9", 'Kurve "Ost"'}
    profile_config = os.path.join(work, "profile-config")
    os.mkdir(profile_config)
    common = [route, "--tiles", tiles, "--step", "20", "--locations", locations]

    as_csv = run(["profile"] + common, profile_config)
    as_json = run(["profile"] + common + ["--format", "json"], profile_config)
    check(as_csv.returncode == 0 and as_json.returncode == 0, "profile failed: %r" % as_csv.stderr)
    check(as_csv.stdout.count(b"\r\n") == as_csv.stdout.count(b"\n"), "CSV lines end in CRLF")
    check(os.listdir(profile_config) == [], "profile wrote settings: %r" % os.listdir(profile_config))

    rows = list(csv.reader(io.StringIO(as_csv.stdout.decode("utf-8"), newline="")))
    gap = rows.index([])
    samples, stats = rows[1:gap], rows[gap + 2:]
    check(rows[0] == ["longitude", "latitude", "height_m", "distance_m", "slope_percent", "location"], rows[0])
    check(rows[gap + 1] == ["statistic", "value", "share_percent"], rows[gap + 1])
    document = json.loads(as_json.stdout.decode("utf-8"))

    export_config = os.path.join(work, "export-config")
    exported = run(["export", route, "--tiles", tiles, "--step", "20", "--locations", locations, "--text",
                    "--text-locations", "--text-stats", "--no-bitmap", "--yes"], export_config)
    check(exported.returncode == 0, "export failed: %r" % exported.stderr)
    with open(os.path.join(work, "track.txt"), encoding="cp1252") as f:
        report = f.read().splitlines()

    # Sample lines, each followed by the LOC line of its location if any.
    report_samples, seen = [], set()
    for line in report:
        if line.startswith("LOC:"):
            report_samples[-1][4] = line[5:-1].replace('\\"', '"')
        elif line[0] in "+-":
            report_samples.append([float(v) for v in line.split()] + [""])
    check(len(report_samples) == len(samples) == len(document["samples"]) == 34,
          "sample counts %d %d %d" % (len(report_samples), len(samples), len(document["samples"])))
    for reported, row, record in zip(report_samples, samples, document["samples"]):
        numbers = [float(v) for v in row[:4]]
        check(numbers == reported[:4], "sample %r != report %r" % (row, reported))
        check(row[5] == reported[4], "location %r != report %r" % (row[5], reported[4]))
        check([record["longitude"], record["latitude"], record["height_m"], record["distance_m"]] == numbers,
              "JSON sample %r" % record)
        check(record["slope_percent"] == float(row[4]) and record["location"] == row[5], "JSON %r" % record)
        seen.add(row[5])
    check(seen == names | {""}, "locations seen: %r" % seen)

    figures = {line.split(":")[0]: line.split()[1] for line in report if line[:4] in ("LEN:", "HMAX", "HMIN", "HDEL", "METE")}
    table = {row[0]: row[1] for row in stats}
    for name, key in (("LEN", "length_km"), ("HMAX", "highest_m"), ("HMIN", "lowest_m"),
                      ("HDELTA", "difference_m"), ("METERS", "climbed_raw_m")):
        check(table[key] == figures[name], "%s %r != report %r" % (key, table[key], figures[name]))
        check(document["stats"][key] == float(figures[name]), "JSON %s" % key)
    classes = [line.split() for line in report if line.startswith("STAT:")]
    class_rows = stats[8:]
    check(len(classes) == len(class_rows) == len(document["stats"]["slope_classes"]) == 8, "class counts")
    for reported, row, record in zip(classes, class_rows, document["stats"]["slope_classes"]):
        metres, share = reported[-2].rstrip("m"), reported[-1].rstrip("%")
        check(row[1:] == [metres, share], "class %r != report %r" % (row, reported))
        check(row[0] == "%d%%..%d%%" % (record["from_percent"], record["to_percent"]), "class name %r" % row)
        check(record["metres"] == float(metres) and record["share_percent"] == float(share), "JSON %r" % record)
    check(table["climb_threshold_m"] == "10.00", "SRTM3 threshold %r" % table["climb_threshold_m"])
    check(0 <= float(table["climbed_filtered_m"]) <= float(table["climbed_raw_m"]), "filtered above raw")
    lower = run(["profile"] + common + ["--climb-threshold", "0"], profile_config)
    lower_table = {row[0]: row[1] for row in csv.reader(io.StringIO(lower.stdout.decode(), newline="")) if row}
    check(float(lower_table["climbed_filtered_m"]) >= float(table["climbed_filtered_m"]), "threshold 0")

    # Failures: the reason on stderr, nothing half-printed on stdout.
    for arguments, code in (([route, "--tiles", os.path.join(work)], 20),
                            ([os.path.join(work, "none.kml"), "--tiles", tiles], 11),
                            ([route, "--tiles", tiles, "--format", "xml"], 2),
                            ([route, "--tiles", tiles, "--climb-threshold", "-1"], 2),
                            ([route], 2)):
        failed = run(["profile"] + arguments, profile_config)
        check(failed.returncode == code and failed.stdout == b"" and failed.stderr != b"",
              "%r gave %d %r" % (arguments, failed.returncode, failed.stderr))
finally:
    shutil.rmtree(work)

for failure in failures:
    print("FAILED:", failure)
sys.exit(1 if failures else 0)
