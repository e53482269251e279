#!/usr/bin/python3
"""Prints "passed failed skipped" of a JUnit XML report (ctest's or pytest's)."""

import sys
import xml.etree.ElementTree as ET


def counts(path):
    root = ET.parse(path).getroot()
    suites = [root] if root.tag == "testsuite" else root.findall("testsuite")
    total = failed = skipped = 0
    for suite in suites:
        total += int(suite.get("tests", 0))
        failed += int(suite.get("failures", 0)) + int(suite.get("errors", 0))
        skipped += int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
    return total - failed - skipped, failed, skipped


if __name__ == "__main__":
    print(*counts(sys.argv[1]))
