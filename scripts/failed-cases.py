#!/usr/bin/env python3
"""Lists the test cases that failed in the last CTest run of a build folder.

CTest runs each test program as a few tests (see tests/CMakeLists.txt), each
writing GoogleTest's XML report; this names the failing cases inside them,
with the start of each failure message, or says that a test left no report
(it crashed or ran out of time: its output ends in the case it was running).
"""
import json
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET


def failed_tests(build):
    """Names of the CTest tests that failed in the last run."""
    log = os.path.join(build, "Testing", "Temporary", "LastTestsFailed.log")
    if not os.path.exists(log):
        return []
    with open(log, encoding="utf-8", errors="replace") as f:
        return [line.strip().split(":", 1)[1] for line in f if ":" in line]


def report_paths(build):
    """Test name -> the XML report its command line asks for."""
    shown = subprocess.run(["ctest", "--test-dir", build, "--show-only=json-v1"],
                           capture_output=True, text=True, check=True).stdout
    paths = {}
    for test in json.loads(shown).get("tests", []):
        workdir = build
        for prop in test.get("properties", []):
            if prop.get("name") == "WORKING_DIRECTORY":
                workdir = prop["value"]
        for arg in test.get("command", []):
            m = re.match(r"--gtest_output=xml:(.+)", arg)
            if m:
                paths[test["name"]] = os.path.join(workdir, m.group(1))
    return paths


def failures(report):
    """(case, the first lines of each failure) for every failing case in a report."""
    for case in ET.parse(report).getroot().iter("testcase"):
        found = [f.get("message", "").splitlines() for f in case.findall("failure")]
        if found:
            # A message starts with the place of the failure, then what failed.
            yield "%s.%s" % (case.get("classname"), case.get("name")), [
                lines[:8] + (["..."] if len(lines) > 8 else []) for lines in found]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "."
    failed = failed_tests(build)
    if not failed:
        return 0
    paths = report_paths(build)
    print("\nFailing cases:")
    for name in failed:
        report = paths.get(name)
        if not report or not os.path.exists(report):
            print("  %s: no report: it crashed or ran out of time; its output above ends "
                  "in the case it was running" % name)
            continue
        listed = False
        for case, messages in failures(report):
            listed = True
            print("  %s: %s" % (name, case))
            for lines in messages:
                for line in lines:
                    print("      %s" % line)
        if not listed:
            print("  %s: every case passed, but the program failed on its way out" % name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
