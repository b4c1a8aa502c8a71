#!/usr/bin/env python3
"""The results of a test run, one line per test: "passed|failed|skipped<TAB>name<TAB>why".

  test_results.py junit FILE [PREFIX]   CTest's JUnit file as result lines (names PREFIX+name)
  test_results.py skipped RESULTS...    the tests that did not run, with the reason each gave
  test_results.py summary RESULTS...    the skipped ones, then "ci: N passed, F failed,
                                        K skipped", each test counted once (its worst
                                        result when it ran in several stages); exits 1
                                        when any failed
"""
import re
import sys
import xml.etree.ElementTree as ET

RANK = {"passed": 0, "skipped": 1, "failed": 2}
REASON = re.compile(r"(cannot run(?: in CI)?: .*|not applicable: .*)")


def reason_of(case):
    out = case.findtext("system-out") or ""
    found = REASON.findall(out)
    if found:
        return found[-1].strip().removesuffix("; skipped")
    skipped = case.find("skipped")
    return skipped.get("message", "") if skipped is not None else ""


def junit(path, prefix=""):
    for case in ET.parse(path).getroot().iter("testcase"):
        if case.find("failure") is not None or case.get("status") == "fail":
            status = "failed"
        elif case.find("skipped") is not None or case.get("status") in ("notrun", "disabled"):
            status = "skipped"
        else:
            status = "passed"
        why = reason_of(case) if status != "passed" else ""
        print(f"{status}\t{prefix}{case.get('name')}\t{why}")


def merged(paths):
    tests = {}
    for path in paths:
        with open(path, encoding="utf-8", errors="replace") as f:
            for line in f:
                parts = line.rstrip("\n").split("\t")
                if len(parts) < 2 or parts[0] not in RANK:
                    continue
                status, name, why = parts[0], parts[1], parts[2] if len(parts) > 2 else ""
                if name not in tests or RANK[status] > RANK[tests[name][0]]:
                    tests[name] = (status, why)
    return tests


def print_skipped(tests):
    skipped = sorted((name, why) for name, (status, why) in tests.items() if status == "skipped")
    if not skipped:
        print("every test ran")
        return
    print(f"{len(skipped)} tests did not run here:")
    for name, why in skipped:
        print(f"  {name}: {why or 'skipped'}")


def main(argv):
    if len(argv) >= 3 and argv[1] == "junit":
        junit(argv[2], argv[3] if len(argv) > 3 else "")
        return 0
    if len(argv) >= 3 and argv[1] in ("skipped", "summary"):
        tests = merged(argv[2:])
        print_skipped(tests)
        if argv[1] == "skipped":
            return 0
        counts = {status: 0 for status in RANK}
        for status, _ in tests.values():
            counts[status] += 1
        for name, (status, _) in sorted(tests.items()):
            if status == "failed":
                print(f"  failed: {name}")
        print(f"ci: {counts['passed']} passed, {counts['failed']} failed, {counts['skipped']} skipped")
        return 1 if counts["failed"] else 0
    print(__doc__, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
