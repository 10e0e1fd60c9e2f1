#!/usr/bin/env python3
"""Compiles every source of the shipped programs for Windows, syntax only.

    windows-syntax-check.py BUILD_DIR [--jobs N] [--list]

Reads BUILD_DIR/compile_commands.json (the project sets CMAKE_EXPORT_COMPILE_COMMANDS), keeps the
sources under the folders of the shipped programs and compiles each with the MinGW-w64 cross
compiler against the same Qt headers, with -fsyntax-only and the definitions a Windows build of Qt
gives its users. A file fails when it does not compile (a POSIX-only or Linux-only call outside a
guard: termios, ioctl, signalfd, fsync…), when it compiles with a warning, or when the project's
own code includes, outside a guard, a POSIX header that MinGW-w64 has and Microsoft's compiler
lacks (unistd.h, pthread.h…). Probes of both faults run first, so a check that would pass anything
fails instead. Ends non-zero when any file fails; --jobs sets how many compile at once (default:
the processors), --list prints the files it would compile and ends.
"""
import argparse
import concurrent.futures
import json
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time

COMPILER = "x86_64-w64-mingw32-g++-posix"
# The shipped programs: the libraries, the window, the program entry and belvan-cli. The tests,
# the radio simulator and the benchmarks run only where pseudo-terminals do.
SHIPPED = ("Functions/", "nastroika/", "app/", "tools/cli/")
# What Qt's own build tells the compiler for a Windows target.
WINDOWS_DEFINES = ["-DUNICODE", "-D_UNICODE", "-DWIN32", "-DWIN64", "-DMINGW_HAS_SECURE_API=1"]
# Headers MinGW-w64 brings along that Microsoft's compiler, the usual one for Qt on Windows, lacks.
POSIX_ONLY_HEADERS = {"unistd.h", "pthread.h", "dirent.h", "strings.h", "libgen.h", "sched.h",
                      "semaphore.h", "sys/time.h", "sys/param.h", "getopt.h"}
LINUX_MKSPEC = "/mkspecs/linux-g++"
WINDOWS_MKSPEC = "/mkspecs/win32-g++"


def windows_arguments(command, directory):
    """The Linux compile's defines, include folders and language level, for the cross compiler."""
    words = shlex.split(command)[1:]
    kept = []
    i = 0
    while i < len(words):
        word = words[i]
        if word in ("-isystem", "-I", "-D", "-include") and i + 1 < len(words):
            value = words[i + 1].replace(LINUX_MKSPEC, WINDOWS_MKSPEC)
            kept += [word, value]
            i += 2
            continue
        if word.startswith(("-I", "-D", "-std=", "-W")) and not word.startswith("-Wl,"):
            kept.append(word.replace(LINUX_MKSPEC, WINDOWS_MKSPEC))
        elif word == "-o":
            i += 1  # and its output name
        i += 1
    # Relative include folders are relative to the compile's own folder.
    absolute = []
    for word in kept:
        if word.startswith("-I") and len(word) > 2 and not os.path.isabs(word[2:]):
            word = "-I" + os.path.join(directory, word[2:])
        absolute.append(word)
    return absolute


def shipped_sources(build, root):
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = json.load(f)
    sources = {}
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        relative = os.path.relpath(path, root)
        if not relative.startswith(SHIPPED) or relative in sources:
            continue
        command = entry.get("command") or shlex.join(entry["arguments"])
        sources[relative] = windows_arguments(command, entry["directory"])
    return sources


def posix_only_includes(root, preprocessed):
    """The POSIX-only headers that the project's files include in branches a Windows build takes.

    `preprocessed` is the output of -E -dI: it keeps each #include directive the preprocessor
    followed, after the line marker of the file it stands in."""
    found = []
    current = ""
    for line in preprocessed.splitlines():
        if line.startswith("# ") and '"' in line:
            current = line.split('"')[1]
        elif line.startswith("#include") and current.startswith(root + os.sep):
            name = line.split(None, 1)[1].strip().strip('<>"')
            if name in POSIX_ONLY_HEADERS:
                found.append(f"{os.path.relpath(current, root)}: includes <{name}>, "
                             "which Microsoft's compiler does not have\n")
    return found


def compile_one(root, relative, arguments):
    source = os.path.join(root, relative)
    common = [COMPILER, *WINDOWS_DEFINES, *arguments]
    done = subprocess.run([*common, "-fsyntax-only", source], capture_output=True, text=True)
    messages = done.stderr
    status = done.returncode
    if status == 0:
        preprocessed = subprocess.run([*common, "-E", "-dI", source], capture_output=True,
                                      text=True, errors="replace")
        found = posix_only_includes(root, preprocessed.stdout)
        if found:
            messages += "".join(found)
            status = 1
    return relative, status, messages


# Sources the check must refuse and pass, tried before the project's: a check that would pass
# anything is worse than none.
PROBES = {
    "termios.cpp": ("#include <termios.h>\nint f(termios* t) { return tcdrain(0) + (t != 0); }\n",
                    False),
    "fsync.cpp": ("#include <unistd.h>\nint f(int d) { return fsync(d); }\n", False),
    "unistd.cpp": ("#include <unistd.h>\nint f() { return isatty(0); }\n", False),
    "guarded.cpp": ("#ifdef _WIN32\n#include <io.h>\nint f() { return _isatty(0); }\n#else\n"
                    "#include <unistd.h>\nint f() { return isatty(0); }\n#endif\n", True),
}


def probes_fail():
    """What the check gets wrong about the probes; empty when it refuses and passes as it must."""
    wrong = []
    with tempfile.TemporaryDirectory() as folder:
        folder = os.path.realpath(folder)
        for name, (text, passes) in PROBES.items():
            with open(os.path.join(folder, name), "w", encoding="utf-8") as f:
                f.write(text)
            _, status, messages = compile_one(folder, name, ["-std=c++20"])
            if (status == 0) != passes:
                wrong.append(f"{name} {'failed' if passes else 'passed'}: {messages.strip()}")
    return wrong


def main():
    parser = argparse.ArgumentParser(description=__doc__.strip().splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1)
    parser.add_argument("--list", action="store_true")
    options = parser.parse_args()
    build = os.path.realpath(options.build)
    root = os.path.realpath(os.path.join(os.path.dirname(__file__), "..", ".."))
    sources = shipped_sources(build, root)
    if not sources:
        print(f"no shipped sources in {build}/compile_commands.json", file=sys.stderr)
        return 2
    if options.list:
        print("\n".join(sorted(sources)))
        return 0
    if shutil.which(COMPILER) is None:
        print(f"{COMPILER} is missing (tools/ensure-packages.sh installs it)", file=sys.stderr)
        return 2

    wrong = probes_fail()
    if wrong:
        print("Windows syntax check: the check itself is broken:", *wrong, sep="\n  ",
              file=sys.stderr)
        return 2

    start = time.monotonic()
    failed = []
    warned = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=max(1, options.jobs)) as pool:
        jobs = [pool.submit(compile_one, root, name, arguments)
                for name, arguments in sorted(sources.items())]
        for job in jobs:
            relative, status, messages = job.result()
            if messages:
                sys.stderr.write(messages)
            if status != 0:
                failed.append(relative)
            elif messages:
                warned += 1
    seconds = time.monotonic() - start
    if failed:
        print(f"Windows syntax check: {len(failed)} of {len(sources)} files do not compile:",
              file=sys.stderr)
        for name in failed:
            print(f"  {name}", file=sys.stderr)
        return 1
    if warned:
        print(f"Windows syntax check: {warned} of {len(sources)} files compile with warnings",
              file=sys.stderr)
        return 1
    print(f"Windows syntax check: {len(sources)} files compile with {COMPILER} "
          f"({seconds:.0f} s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
