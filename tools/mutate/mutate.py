#!/usr/bin/env python3
"""Puts one known fault at a time into a copy of the sources and tells which test catches it.

The faults are listed in faults.txt beside this script (its head describes the format). The
tree is copied (its tracked files, as they are in the working tree) to a scratch folder that is
kept between runs, so each run rebuilds only what changed. The unmutated suite must pass first.
Each fault is then applied, built and tested, the tests that use the changed code first, until a
test fails ("killed") or none does ("survived"); a fault that does not build is "no-compile".

  tools/mutate/mutate.py                      all faults against this repository
  tools/mutate/mutate.py --tree /work/t1 --out t1.txt --compare tools/mutate/baseline.txt
  tools/mutate/mutate.py --only hal-evt3-wrap-shift,pipe-loop-no-rewind
  tools/mutate/mutate.py --results t1.txt --compare tools/mutate/baseline.txt   (no run)
  tools/mutate/mutate.py --check              validate faults.txt against the tree and stop
"""

import argparse
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
DEFAULT_TREE = HERE.parent.parent
FAULTS_FILE = HERE / "faults.txt"
SCRATCH_ROOT = Path(os.environ.get("OSTREL_MUTATE_SCRATCH", "/work/mutscratch"))
CONFIGURE_ARGS = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache", "-DOSTREL_BUILD_BENCHMARKS=OFF"]
# Compile-only checks for Windows: they say nothing about behaviour and take minutes.
DEFAULT_EXCLUDE = r"^(sdk_windows_build|framework_windows_syntax)$"
KILLED = ("killed", "no-compile")


class Refused(Exception):
    pass


class Fault:
    def __init__(self, ident, line):
        self.id = ident
        self.line = line
        self.file = ""
        self.why = ""
        self.old = []
        self.new = []

    @property
    def original(self):
        return "\n".join(self.old)

    @property
    def replacement(self):
        return "\n".join(self.new)


def parse_faults(path):
    faults = []
    current = None
    problems = []
    for number, raw in enumerate(path.read_text().splitlines(), 1):
        where = f"{path.name}:{number}"
        if raw.startswith("#") or not raw.strip():
            continue
        match = re.fullmatch(r"\[([A-Za-z0-9_-]+)\]\s*", raw)
        if match:
            current = Fault(match.group(1), number)
            faults.append(current)
        elif current is None:
            problems.append(f"{where}: text before the first [id]")
        elif raw.startswith("file:"):
            current.file = raw[5:].strip()
        elif raw.startswith("why:"):
            current.why = raw[4:].strip()
        elif raw[:1] in "-+":
            text = raw[2:] if raw[1:2] == " " else raw[1:]
            (current.old if raw[0] == "-" else current.new).append(text)
        else:
            problems.append(f"{where}: not a field, '-' or '+' line: {raw!r}")
    seen = set()
    for fault in faults:
        where = f"{path.name}:{fault.line} [{fault.id}]"
        if fault.id in seen:
            problems.append(f"{where}: the id is used twice")
        seen.add(fault.id)
        if not fault.file or not fault.why or not fault.old:
            problems.append(f"{where}: needs file:, why: and at least one '-' line")
        elif fault.original == fault.replacement:
            problems.append(f"{where}: the replacement is the original")
    if problems:
        raise SystemExit("faults.txt is malformed:\n  " + "\n  ".join(problems))
    return faults


def check_fault(fault, src):
    """Raises Refused unless the fault's text occurs exactly once in its file."""
    target = src / fault.file
    if not target.is_file():
        raise Refused(f"{fault.file} does not exist")
    count = target.read_text().count(fault.original)
    if count != 1:
        raise Refused(f"the original text occurs {count} times in {fault.file}, not once")


def log(message):
    print(message, flush=True)


def run(command, **kwargs):
    return subprocess.run(command, check=True, text=True, **kwargs)


# ---- the scratch copy

def tracked_files(tree):
    output = run(["git", "-C", str(tree), "ls-files", "-z"], stdout=subprocess.PIPE).stdout
    return [name for name in output.split("\0") if name and (tree / name).is_file()]


def sync_tree(tree, src):
    """Copies the tree's tracked files into src, rewriting only files whose content differs, and
    removes files that are no longer tracked. Rewritten files get a fresh time stamp."""
    names = tracked_files(tree)
    src.mkdir(parents=True, exist_ok=True)
    changed = 0
    for name in names:
        source = tree / name
        target = src / name
        data = source.read_bytes()
        if target.is_file() and not target.is_symlink() and target.read_bytes() == data:
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        if target.is_symlink():
            target.unlink()
        target.write_bytes(data)
        shutil.copymode(source, target)
        changed += 1
    keep = set(names)
    removed = 0
    for path in sorted(src.rglob("*"), reverse=True):
        relative = path.relative_to(src).as_posix()
        if path.is_dir() and not path.is_symlink():
            if not any(path.iterdir()):
                path.rmdir()
        elif relative not in keep:
            path.unlink()
            removed += 1
    return changed, removed


def prepare_scratch(tree, scratch):
    src = scratch / "src"
    build = scratch / "build"
    changed, removed = sync_tree(tree, src)
    log(f"scratch {scratch}: {changed} files refreshed, {removed} removed")
    # The tests and the fuzz replay find the shared samples beside the source folder.
    shared = tree.parent / "shared"
    link = scratch / "shared"
    if shared.is_dir() and not link.is_symlink():
        link.symlink_to(shared)
    arguments = list(CONFIGURE_ARGS)
    # Most of a rebuild is linking the test programs again; lld does it three times faster.
    if shutil.which("ld.lld"):
        arguments.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")
    run(["cmake", "-S", str(src), "-B", str(build)] + arguments, stdout=subprocess.DEVNULL)
    return src, build


# ---- building and testing

class Session:
    def __init__(self, args, src, build, logs):
        self.args = args
        self.src = src
        self.build = build
        self.logs = logs
        self.durations = {}
        self.tests = []
        self.display = None

    def cmake_build(self, targets, log_file):
        command = ["nice", "cmake", "--build", str(self.build), "-j", str(self.args.build_jobs)]
        if targets:
            command += ["--target"] + sorted(targets)
        with open(log_file, "w") as out:
            process = subprocess.Popen(command, stdout=out, stderr=subprocess.STDOUT,
                                       start_new_session=True)
            try:
                return process.wait() == 0
            finally:
                if process.poll() is None:
                    kill_group(process)

    def list_tests(self):
        output = run(["ctest", "--test-dir", str(self.build), "--show-only=json-v1"],
                     stdout=subprocess.PIPE).stdout
        exclude = re.compile(self.args.exclude) if self.args.exclude else None
        tests = []
        for test in json.loads(output)["tests"]:
            if exclude and exclude.search(test["name"]):
                continue
            properties = {p["name"]: p["value"] for p in test.get("properties", [])}
            command = test.get("command") or [""]
            program = Path(command[0])
            objects = program.parent / "CMakeFiles" / f"{program.name}.dir"
            ours = self.build in program.parents and objects.is_dir()
            tests.append({
                "name": test["name"],
                "serial": bool(properties.get("RUN_SERIAL")),
                "locks": set(properties.get("RESOURCE_LOCK") or []),
                "target": program.name if ours else None,
                "objects": objects if ours else None,
                "sources": None,
                "text": None,
            })
        self.tests = tests

    def sources_of(self, test):
        """Every file the test program's own objects were compiled from (the depfiles), and the
        text of those that belong to the tests."""
        if test["sources"] is None:
            files = set()
            if test["objects"]:
                for depfile in test["objects"].rglob("*.o.d"):
                    text = depfile.read_text(errors="replace").replace("\\\n", " ")
                    for line in text.splitlines():
                        if ":" in line:
                            files.update(line.split(":", 1)[1].split())
            # Relative names are from the folder the compiler ran in, the target's build folder.
            base = test["objects"].parent.parent if test["objects"] else self.build
            test["sources"] = {os.path.normpath(base / name) for name in files}
            own = self.src / "tests"
            test["text"] = "\n".join(
                Path(name).read_text(errors="replace") for name in sorted(test["sources"])
                if own in Path(name).parents)
        return test["sources"]

    def start_display(self):
        """Tests that want a real X server find one, as under xvfb-run."""
        if os.environ.get("DISPLAY") or not shutil.which("Xvfb"):
            return
        read, write = os.pipe()
        self.display = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if number:
            os.environ["DISPLAY"] = f":{number}"

    def stop_display(self):
        if self.display:
            self.display.terminate()
            self.display.wait()

    def timeout_for(self, name):
        known = self.durations.get(name)
        return self.args.timeout if known is None else max(90.0, 4 * known + 30)

    def run_tests(self, tests, log_name, stop_on_failure=True):
        """Runs tests, up to --jobs at a time, honouring RUN_SERIAL and RESOURCE_LOCK. A test
        that fails runs once more, and counts as failing only if it fails again: the suite has
        tests that a loaded machine can upset now and then. Returns the names of the tests that
        failed (with stop_on_failure, the first one only)."""
        waiting = [(test, False) for test in tests]
        running = {}
        failed = []
        try:
            while waiting or running:
                while waiting and len(running) < self.args.jobs:
                    busy_locks = set().union(*(t["locks"] for t, _, _, _ in running.values()))
                    alone_now = any(t["serial"] for t, _, _, _ in running.values())
                    choice = None
                    for entry in waiting:
                        test = entry[0]
                        if running and (test["serial"] or alone_now):
                            continue
                        if test["locks"] & busy_locks:
                            continue
                        choice = entry
                        break
                    if choice is None:
                        break
                    waiting.remove(choice)
                    test, again = choice
                    suffix = ".again" if again else ""
                    out = open(self.logs / f"{log_name}.{test['name']}{suffix}.log", "w")
                    process = subprocess.Popen(
                        ["ctest", "--test-dir", str(self.build), "--output-on-failure",
                         "--no-tests=error", "-R", "^" + re.escape(test["name"]) + "$"],
                        stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
                    running[process] = (test, again, out, time.monotonic())
                time.sleep(0.1)
                for process, (test, again, out, started) in list(running.items()):
                    elapsed = time.monotonic() - started
                    code = process.poll()
                    if code is None and elapsed > self.timeout_for(test["name"]):
                        kill_group(process)
                        out.write(f"\nmutate.py: stopped after {elapsed:.0f} s\n")
                        code = -1
                    if code is None:
                        continue
                    del running[process]
                    out.close()
                    if code == 0:
                        self.durations.setdefault(test["name"], elapsed)
                        Path(out.name).unlink()
                        if again:
                            log(f"  note: {test['name']} failed once and then passed "
                                f"(log {self.logs}/{log_name}.{test['name']}.log)")
                    elif again:
                        failed.append(test["name"])
                    else:
                        waiting.insert(0, (test, True))
                if failed and stop_on_failure:
                    break
        finally:
            # Stopped early: the tests still running say nothing, and neither do their logs.
            for process, (_, _, out, _) in running.items():
                kill_group(process)
                out.close()
                Path(out.name).unlink()
        return failed[:1] if stop_on_failure else failed

    def stages(self, fault):
        """The tests in four groups, each built just before it runs: those whose own sources
        name the faulty file, those whose programs include it or a header of its name, those
        that include anything from its folder or name the folder, then the rest and the tests
        that are no program of ours. Quick ones first within a group."""
        target = os.path.normpath(self.src / fault.file)
        stem = Path(fault.file).stem
        folder = os.path.normpath((self.src / fault.file).parent)
        named = re.compile(r"\b" + re.escape(stem) + r"\b")
        folder_named = re.compile(r"\b" + re.escape(Path(folder).name) + r"\b")

        def tier(test):
            sources = self.sources_of(test)
            if not test["target"]:
                return 3
            if named.search(test["text"]):
                return 0
            if target in sources or any(Path(s).stem == stem for s in sources):
                return 1
            if (any(os.path.dirname(s) == folder for s in sources)
                    or folder_named.search(test["text"])):
                return 2
            return 3

        groups = [[], [], [], []]
        for test in sorted(self.tests, key=lambda t: self.durations.get(t["name"], 1e9)):
            groups[tier(test)].append(test)
        return groups


def kill_group(process):
    try:
        os.killpg(process.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass
    process.wait()


# ---- one fault

def try_fault(session, fault):
    path = session.src / fault.file
    original = path.read_text()
    path.write_text(original.replace(fault.original, fault.replacement, 1))
    try:
        build_log = session.logs / f"{fault.id}.build.log"
        # Most faults are caught by the tests nearest to them: those are built and run first,
        # and the rest of the tree is built only when they all pass.
        for number, tests in enumerate(session.stages(fault)):
            if not tests:
                continue
            targets = None if number == 3 else {t["target"] for t in tests}
            if not session.cmake_build(targets, build_log):
                return "no-compile", ""
            failed = session.run_tests(tests, fault.id)
            if failed:
                return "killed", failed[0]
        build_log.unlink()
        return "survived", ""
    finally:
        path.write_text(original)


# ---- results

def read_results(path):
    results = {}
    for line in Path(path).read_text().splitlines():
        fields = line.split()
        if fields and not line.startswith("#"):
            results[fields[0]] = fields[1:]
    return results


def compare(baseline_path, results):
    baseline = read_results(baseline_path)
    lost = []
    for ident, fields in baseline.items():
        now = results.get(ident)
        if fields and fields[0] in KILLED and now is not None and now[0] not in KILLED:
            before = " ".join(fields)
            lost.append(f"  {ident}: was {before}, now {' '.join(now)}")
    if lost:
        log(f"{len(lost)} fault(s) caught in {baseline_path} are no longer caught:")
        log("\n".join(lost))
        return 1
    log(f"every fault caught in {baseline_path} that was run is still caught")
    return 0


def main():
    parser = argparse.ArgumentParser(
        description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", type=Path, default=DEFAULT_TREE,
                        help="the git work tree to copy (default: this repository)")
    parser.add_argument("--scratch", type=Path,
                        help=f"scratch folder (default: {SCRATCH_ROOT}/<tree folder name>)")
    parser.add_argument("--faults", type=Path, default=FAULTS_FILE)
    parser.add_argument("--only", help="comma-separated fault ids, run in this order")
    parser.add_argument("--match", help="regular expression on fault ids and files")
    parser.add_argument("--out", type=Path, help="write 'id killed|survived|no-compile [test]'")
    parser.add_argument("--compare", type=Path, metavar="BASELINE",
                        help="exit non-zero if a fault the baseline caught is no longer caught")
    parser.add_argument("--results", type=Path,
                        help="compare these results with --compare instead of running")
    parser.add_argument("--check", action="store_true",
                        help="only check that every fault applies to the tree")
    parser.add_argument("--jobs", type=int, default=2, help="tests run at once (default 2)")
    parser.add_argument("--build-jobs", type=int, default=2, help="build jobs (default 2)")
    parser.add_argument("--timeout", type=float, default=600,
                        help="seconds a test may run when its usual time is unknown")
    parser.add_argument("--exclude", default=DEFAULT_EXCLUDE,
                        help=f"regular expression of tests not to run (default {DEFAULT_EXCLUDE})")
    args = parser.parse_args()

    if args.results:
        if not args.compare:
            parser.error("--results needs --compare")
        return compare(args.compare, read_results(args.results))

    tree = args.tree.resolve()
    faults = parse_faults(args.faults)
    if args.only:
        wanted = set(args.only.split(","))
        unknown = wanted - {f.id for f in faults}
        if unknown:
            parser.error("no such fault: " + ", ".join(sorted(unknown)))
        by_id = {f.id: f for f in faults}
        faults = [by_id[ident] for ident in dict.fromkeys(args.only.split(","))]
    if args.match:
        pattern = re.compile(args.match)
        faults = [f for f in faults if pattern.search(f.id) or pattern.search(f.file)]

    refused = {}
    for fault in faults:
        try:
            check_fault(fault, tree)
        except Refused as reason:
            refused[fault.id] = str(reason)
            log(f"refused [{fault.id}]: {reason}")
    if args.check:
        log(f"{len(faults) - len(refused)} of {len(faults)} faults apply to {tree}")
        return 1 if refused else 0

    scratch = args.scratch or SCRATCH_ROOT / tree.name
    # An interrupted run may have left a fault in; the copy below puts the file back.
    src, build = prepare_scratch(tree, scratch.resolve())
    logs = scratch / "logs"
    logs.mkdir(exist_ok=True)
    session = Session(args, src, build, logs)
    # Started in the background, a program inherits an ignored SIGINT: take it back.
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, signal.default_int_handler)
    session.start_display()
    results = {}
    out = open(args.out, "w") if args.out else None
    started = time.monotonic()
    try:
        log("building the unmutated tree")
        if not session.cmake_build(None, logs / "unmutated.build.log"):
            raise SystemExit(f"the unmutated tree does not build: see {logs}/unmutated.build.log")
        session.list_tests()
        log(f"built in {time.monotonic() - started:.0f} s; running the unmutated suite "
            f"({len(session.tests)} tests)")
        suite_started = time.monotonic()
        failing = session.run_tests(session.tests, "unmutated", stop_on_failure=False)
        if failing:
            raise SystemExit("the unmutated suite fails, so faults cannot be judged: "
                             + ", ".join(failing) + f" (logs in {logs})")
        log(f"the suite passes in {time.monotonic() - suite_started:.0f} s; "
            f"slowest: " + ", ".join(f"{name} {seconds:.0f} s" for name, seconds in sorted(
                session.durations.items(), key=lambda item: -item[1])[:5]))
        if out:
            commit = subprocess.run(["git", "-C", str(tree), "rev-parse", "--short", "HEAD"],
                                    stdout=subprocess.PIPE, text=True).stdout.strip()
            out.write(f"# {tree} at {commit}, {time.strftime('%Y-%m-%d %H:%M')}\n")
        for number, fault in enumerate(faults, 1):
            began = time.monotonic()
            if fault.id in refused:
                status, test = "refused", ""
            else:
                status, test = try_fault(session, fault)
            results[fault.id] = [status] + ([test] if test else [])
            line = " ".join([fault.id] + results[fault.id])
            log(f"[{number}/{len(faults)}] {line} ({time.monotonic() - began:.0f} s)")
            if out:
                out.write(line + "\n")
                out.flush()
    except KeyboardInterrupt:
        log("interrupted; the scratch copy is back to the tree's sources")
        return 130
    finally:
        session.stop_display()
        if out:
            out.close()

    counts = {}
    for fields in results.values():
        counts[fields[0]] = counts.get(fields[0], 0) + 1
    summary = ", ".join(f"{n} {s}" for s, n in sorted(counts.items()))
    log(f"{len(results)} faults: {summary}; {time.monotonic() - started:.0f} s in all")
    for ident, fields in results.items():
        if fields[0] == "survived":
            fault = next(f for f in faults if f.id == ident)
            log(f"  survived {ident}: {fault.why}")
    code = 1 if refused else 0
    if args.compare:
        code = max(code, compare(args.compare, results))
    return code


if __name__ == "__main__":
    sys.exit(main())
