#!/usr/bin/env python3
"""A macOS compiler driver for Linux, shaped like Apple's clang.

CMake talks to it as it talks to clang on a Mac: a compile or a link line
that may carry several "-arch" flags. Each architecture is compiled by Zig's
clang ("zig c++ -target <arch>-macos.11.0-none", with Zig's macOS libc
headers), and the per-architecture objects are joined into one universal
object with llvm-lipo, as Apple's driver does. A link is split back into one
ld64.lld run per architecture against Zig's libSystem stubs, with libc++ and
libc++abi linked statically from Zig's own build of them for that target,
and the results are joined again.

Zig's caches stay under the directory given by --cache, one per
architecture, so a build tree holds everything it built.
"""
import fcntl
import glob
import os
import subprocess
import sys
import tempfile

ZIG_TARGETS = {
    "arm64": ["-target", "aarch64-macos.11.0-none"],
    # Zig takes -mcpu, not -march; this is the plain x86-64 baseline.
    "x86_64": ["-target", "x86_64-macos.11.0-none", "-mcpu=x86_64"],
}
MIN_MACOS = "11.0"
DEFAULT_ARCH = "arm64"
LIPO = os.environ.get("PRISMORA_LLVM_LIPO", "llvm-lipo-14")
LD64 = os.environ.get("PRISMORA_LD64", "ld64.lld-14")

# A translation unit that needs both runtime libraries; linking it makes Zig
# build (or find in its cache) libc++, libc++abi and compiler-rt for a target.
RUNTIME_PROBE = """#include <stdexcept>
#include <string>
extern "C" int prismora_runtime_probe(int n) {
  std::string s(static_cast<unsigned>(n), 'x');
  if (n < 0) throw std::runtime_error(s);
  return static_cast<int>(s.size());
}
"""


def fail(message):
    sys.stderr.write("zig_apple_driver: " + message + "\n")
    sys.exit(1)


def run(command, env=None):
    result = subprocess.run(command, env=env)
    if result.returncode != 0:
        sys.exit(result.returncode)


class Options:
    def __init__(self, argv):
        self.lang = "c++"
        self.zig = None
        self.cache = None
        self.libsystem = None
        rest = []
        i = 0
        while i < len(argv):
            a = argv[i]
            if a in ("--lang", "--zig", "--cache", "--libsystem"):
                setattr(self, a[2:], argv[i + 1])
                i += 2
                continue
            rest.append(a)
            i += 1
        if not self.zig or not self.cache:
            fail("--zig and --cache are required")
        self.args = rest
        self.zig_command = "cc" if self.lang == "c" else "c++"


def split_arches(args):
    """Takes the -arch flags and the flags that name a deployment target out
    of the command line; Zig gets both through its -target."""
    arches, kept = [], []
    i = 0
    while i < len(args):
        a = args[i]
        if a == "-arch":
            arches.append(args[i + 1])
            i += 2
            continue
        if a == "-isysroot":
            i += 2
            continue
        if a.startswith("-mmacosx-version-min=") or a.startswith("-mmacos-version-min="):
            i += 1
            continue
        kept.append(a)
        i += 1
    for arch in arches:
        if arch not in ZIG_TARGETS:
            fail("unsupported -arch " + arch)
    unique = []
    for arch in arches:
        if arch not in unique:
            unique.append(arch)
    return unique or [DEFAULT_ARCH], kept


def zig_env(options, arch):
    env = dict(os.environ)
    cache = os.path.join(options.cache, arch)
    env["ZIG_GLOBAL_CACHE_DIR"] = cache
    env["ZIG_LOCAL_CACHE_DIR"] = cache
    return env


def option_value(args, flag):
    for i, a in enumerate(args):
        if a == flag and i + 1 < len(args):
            return i
    return None


def merge_depfiles(target_path, parts):
    """Joins the make-style dependency files of the slices into one rule."""
    deps, target = [], None
    for part in parts:
        with open(part) as f:
            text = f.read().replace("\\\n", " ")
        head, _, body = text.partition(": ")
        target = target or head.strip()
        for dep in body.split():
            if dep not in deps:
                deps.append(dep)
        os.unlink(part)
    with open(target_path, "w") as f:
        f.write(target + ": " + " \\\n  ".join(deps) + "\n")


def compile_mode(options, arches, args):
    # A compile ignores linker flags, as clang does; Zig would refuse them.
    args = [a for a in args if not a.startswith("-Wl,")]
    out_index = option_value(args, "-o")
    if out_index is None:
        # Preprocessing to stdout and the like: the first slice answers.
        run([options.zig, options.zig_command] + ZIG_TARGETS[arches[0]] + args, zig_env(options, arches[0]))
        return
    output = args[out_index + 1]
    dep_index = option_value(args, "-MF")
    if len(arches) == 1:
        run([options.zig, options.zig_command] + ZIG_TARGETS[arches[0]] + args, zig_env(options, arches[0]))
        return
    slices, depfiles = [], []
    for arch in arches:
        slice_args = list(args)
        slice_args[out_index + 1] = output + "." + arch
        if dep_index is not None:
            slice_args[dep_index + 1] = args[dep_index + 1] + "." + arch
            depfiles.append(slice_args[dep_index + 1])
        run([options.zig, options.zig_command] + ZIG_TARGETS[arch] + slice_args, zig_env(options, arch))
        slices.append(slice_args[out_index + 1])
    run([LIPO, "-create", "-output", output] + slices)
    for s in slices:
        os.unlink(s)
    if dep_index is not None:
        merge_depfiles(args[dep_index + 1], depfiles)


def runtime_libraries(options, arch):
    """Zig's static libc++, libc++abi and compiler-rt for one target, built
    once per cache and found again from the list written after that."""
    cache = os.path.join(options.cache, arch)
    os.makedirs(cache, exist_ok=True)
    listing = os.path.join(cache, "runtime-libraries.txt")
    with open(os.path.join(cache, "runtime.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(listing):
            with open(listing) as f:
                libs = f.read().split("\n")
            if all(os.path.exists(p) for p in libs):
                return libs
        probe = os.path.join(cache, "runtime_probe.cpp")
        with open(probe, "w") as f:
            f.write(RUNTIME_PROBE)
        run([options.zig, "c++"] + ZIG_TARGETS[arch] +
            ["-O2", "-shared", probe, "-o", os.path.join(cache, "runtime_probe.dylib")], zig_env(options, arch))
        libs = []
        for name in ("libc++.a", "libc++abi.a", "libcompiler_rt.a"):
            found = glob.glob(os.path.join(cache, "o", "*", name))
            if len(found) != 1:
                fail("expected one %s in %s, found %d" % (name, cache, len(found)))
            libs.append(found[0])
        with open(listing, "w") as f:
            f.write("\n".join(libs))
        return libs


def is_universal(path):
    with open(path, "rb") as f:
        return f.read(4) == b"\xca\xfe\xba\xbe"


# Compile-only flags that a link line carries along and the linker ignores.
IGNORED_IN_LINK = ("-O", "-g", "-f", "-D", "-I", "-std=", "-pthread", "-v", "-m", "-stdlib=")


SOURCE_SUFFIXES = (".c", ".cc", ".cpp", ".cxx", ".m", ".mm")


def link_mode(options, arches, args, workdir):
    output = None
    kind = "-execute"
    inputs, linker, flags = [], [], []
    i = 0
    while i < len(args):
        a = args[i]
        if a == "-o":
            output = args[i + 1]
            i += 2
            continue
        if a == "-bundle":
            kind = "-bundle"
        elif a in ("-dynamiclib", "-shared"):
            kind = "-dylib"
        elif a.startswith("-Wl,"):
            linker += a[4:].split(",")
        elif a == "-Xlinker":
            linker.append(args[i + 1])
            i += 1
        elif a in ("-install_name", "-compatibility_version", "-current_version"):
            linker += [a, args[i + 1]]
            i += 1
        elif a.startswith("-l") or a.startswith("-L"):
            inputs.append(a)
        elif a.startswith("-W") or a.startswith(IGNORED_IN_LINK):
            flags.append(a)
        elif a.startswith("-"):
            fail("unsupported link flag " + a)
        else:
            inputs.append(a)
        i += 1
    if output is None:
        output = "a.out"
    # Sources on a link line (compiler checks do this) are compiled first.
    for n, item in enumerate(inputs):
        if os.path.splitext(item)[1] in SOURCE_SUFFIXES:
            obj = os.path.join(workdir, "source-%d.o" % n)
            compile_mode(options, arches, flags + ["-c", item, "-o", obj])
            inputs[n] = obj
    slices = []
    for arch in arches:
        thin_inputs = []
        for n, item in enumerate(inputs):
            if not item.startswith("-") and os.path.isfile(item) and is_universal(item):
                thin = os.path.join(workdir, "%s-%d-%s" % (arch, n, os.path.basename(item)))
                run([LIPO, "-thin", arch, item, "-output", thin])
                thin_inputs.append(thin)
            else:
                thin_inputs.append(item)
        libs = runtime_libraries(options, arch)
        if options.lang == "c":
            libs = libs[2:]
        slice_out = output if len(arches) == 1 else os.path.join(workdir, arch + "-" + os.path.basename(output))
        run([LD64, "-arch", arch, "-platform_version", "macos", MIN_MACOS, MIN_MACOS, kind, "-o", slice_out] +
            thin_inputs + libs + [options.libsystem] + linker)
        slices.append(slice_out)
    if len(arches) > 1:
        run([LIPO, "-create", "-output", output] + slices)


def main():
    options = Options(sys.argv[1:])
    if not options.libsystem:
        options.libsystem = os.path.join(os.path.dirname(options.zig), "lib", "libc", "darwin", "libSystem.11.tbd")
    arches, args = split_arches(options.args)
    if any(a in ("-c", "-E", "-S", "-M", "-MM") for a in args) or "--version" in args or "-dumpversion" in args:
        compile_mode(options, arches, args)
        return
    with tempfile.TemporaryDirectory() as workdir:
        link_mode(options, arches, args, workdir)


if __name__ == "__main__":
    main()
