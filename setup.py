"""Builds the Python package regionkit (pip install .).

The compiled module holds every plug-in: each top-level folder whose
CMakeLists.txt calls regionkit_plugin(NAME KERNEL ... ENTRY ...) gives its
kernel and entry sources, and its NAME.m its help text, which becomes the
function's docstring. A new plug-in folder needs nothing here.

The build sets the flags the results depend on itself: -O2, no contraction
into fused multiply-adds, no fast-math, no -march (wider instruction sets
are chosen at run time); /fp:precise with Visual C++.
"""
import os
import re
import shutil
from concurrent.futures import ThreadPoolExecutor

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext
from setuptools.command.build_py import build_py

ROOT = os.path.dirname(os.path.abspath(__file__))
PYTHON = os.path.join(ROOT, "python")
HOST = os.path.join(PYTHON, "src")
GATEWAY = os.path.join(ROOT, "gateway")
GOLDEN = os.path.join(ROOT, "selftest", "regionkitGolden.bin")


def version():
    with open(os.path.join(ROOT, "Contents.m"), encoding="utf-8") as f:
        found = re.search(r"^% Version (\d+\.\d+\.\d+)", f.read(), re.M)
    return found.group(1)


def plugin_call(text):
    """The arguments of the regionkit_plugin( call in a CMakeLists.txt, or None."""
    text = re.sub(r"#[^\n]*", "", text)
    start = re.search(r"(^|\n)\s*regionkit_plugin\(", text)
    if not start:
        return None
    body = text[start.end():text.index(")", start.end())]
    words = body.split()
    sections, current = {"NAME": [words[0]]}, None
    for word in words[1:]:
        if re.fullmatch(r"[A-Z][A-Z0-9_]*", word):
            current = sections.setdefault(word, [])
        elif current is not None:
            current.append(word)
    return sections


def plugins():
    """(name, folder, kernel sources, entry sources) of every plug-in, by name."""
    found = []
    for folder in sorted(os.listdir(ROOT)):
        listing = os.path.join(ROOT, folder, "CMakeLists.txt")
        if folder == "python" or not os.path.isfile(listing):
            continue
        with open(listing, encoding="utf-8") as f:
            call = plugin_call(f.read())
        if call is None:
            continue
        path = os.path.join(ROOT, folder)
        sources = lambda key: [os.path.normpath(os.path.join(path, s)) for s in call.get(key, [])]
        found.append((call["NAME"][0], path, sources("KERNEL"), sources("ENTRY")))
    return sorted(found)


def python_help(name, folder, names):
    """(result count, docstring) from the help text of <folder>/<name>.m."""
    lines = []
    with open(os.path.join(folder, name + ".m"), encoding="utf-8") as f:
        for line in f:
            if not line.startswith("%"):
                break
            lines.append(line[1:].rstrip())
    summary = lines[0].split(None, 1)[1].strip()
    body = [line[3:] if line.startswith("   ") else line.strip() for line in lines[1:]]
    text = "\n".join(body)
    for other in names:
        text = re.sub(r"\b%s\b" % other.upper(), other, text)
    text = re.sub(r"\bCONTENTS\b", "regionkit", text)
    usage = re.search(r"(\[[^\]]*\]|\w+)\s*=\s*%s\(([^)]*)\)" % name, text)
    results = [r.strip() for r in usage.group(1).strip("[]").split(",")]
    arguments = [a.strip() for a in usage.group(2).split(",") if a.strip()]
    shown = ", ".join(a if len(a) == 1 else a.lower() for a in arguments)
    if len(results) > 1:
        returns = ("By default it returns the tuple (%s); nargout=1 returns %s alone\n"
                   "(the one-result call, which does not compute the others)."
                   % (", ".join(results), results[0]))
    else:
        returns = "It returns %s as one array (nargout 0 or 1)." % results[0]
    python = PYTHON_NOTES.format(returns=returns)
    doc = "%s(%s, *, nargout=%d)\n\n%s\n\n%s\n\n%s" % (name, shown, len(results), summary, text, python)
    return len(results), doc


PYTHON_NOTES = """In Python
  {returns}
  Arguments: anything numpy.asarray turns into a real array. A scalar is
  1-by-1, a 1-d array of n elements is a 1-by-n row, and trailing
  dimensions of 1 past the second are dropped. A float64 array in Fortran
  (column-major) order is read in place; every other layout is copied once
  to one: C order (NumPy's default for 2-d arrays), strided views, other
  real dtypes (bool, integers, float32) and lists. Complex, string and
  object arrays are refused. Results are float64 arrays of the shapes
  above, in Fortran order. Arguments are never changed.
  Refusals raise TypeError (an argument of the wrong kind, or the wrong
  number of arguments), MemoryError (out of memory) or ValueError, with the
  message text given above; the exception's attribute `identifier` holds
  the identifier ("" where there is none) and `reason` its last part.
  The call runs without the global interpreter lock, so threads run calls
  side by side."""


def cxx_literal(text):
    """A C++ raw string literal, in pieces short enough for every compiler."""
    pieces = [text[i:i + 2000] for i in range(0, len(text), 2000)] or [""]
    return "\n".join('R"rkdoc(%s)rkdoc"' % p for p in pieces)


def generate(folder):
    """Writes plugins.inc and one translation unit per entry into folder; returns the
    compile groups (sources, include folders) of the plug-ins."""
    os.makedirs(folder, exist_ok=True)
    found = plugins()
    names = [p[0] for p in found]
    listing, groups = [], []
    for name, path, kernel, entry in found:
        results, doc = python_help(name, path, names)
        listing.append("REGIONKIT_PLUGIN(%s, %d,\n%s)\n" % (name, results, cxx_literal(doc)))
        units = []
        for source in entry:
            unit = os.path.join(folder, "%s_%s" % (name, os.path.basename(source)))
            write_if_changed(unit, "// %s's entry under its own name.\n#define mexFunction %s_mexFunction\n"
                             "#include \"%s\"\n" % (name, name, source.replace(os.sep, "/")))
            units.append(unit)
        groups.append((kernel + units, [path, GATEWAY, HOST]))
    write_if_changed(os.path.join(folder, "plugins.inc"), "".join(listing))
    write_if_changed(os.path.join(folder, "version.inc"), '"%s"\n' % version())
    return groups


def write_if_changed(path, text):
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def headers():
    """Every header and included body the sources may read, for rebuild checks."""
    found = []
    for top, _, files in os.walk(ROOT):
        if os.sep + "." in top or os.path.relpath(top, ROOT).split(os.sep)[0] in ("build", "tests"):
            continue
        found += [os.path.join(top, f) for f in files if f.endswith((".h", ".inc", ".m"))]
    return found


class BuildExtension(build_ext):
    """Compiles each plug-in with its own include folders and the result-defining
    flags, two sources at a time, and links them into one module."""

    def build_extension(self, ext):
        import pybind11

        generated = os.path.join(os.path.abspath(self.build_temp), "generated")
        groups = generate(generated)
        gateway = [os.path.join(GATEWAY, f) for f in sorted(os.listdir(GATEWAY)) if f.endswith(".cpp")]
        groups.append((gateway, [GATEWAY, HOST]))
        python_includes = [generated, HOST, GATEWAY, pybind11.get_include()] + self.include_dirs
        groups.append(([os.path.join(HOST, "host.cpp"), os.path.join(HOST, "module.cpp")], python_includes))

        msvc = self.compiler.compiler_type == "msvc"
        if msvc:
            flags = ["/std:c++17", "/O2", "/fp:precise", "/EHs", "/utf-8"]
        else:
            flags = ["-std=c++17", "-O2", "-g0", "-ffp-contract=off", "-fno-fast-math", "-fvisibility=hidden",
                     "-fvisibility-inlines-hidden"]
            if self.compiler.compiler_type == "mingw32":
                flags.append("-Wa,-muse-unaligned-vector-move")

        ext_path = self.get_ext_fullpath(ext.name)
        depends = [s for group in groups for s in group[0]] + headers()
        from setuptools._distutils.dep_util import newer_group
        if not (self.force or newer_group(depends, ext_path, "newer")):
            return

        def compile_one(job):
            # Objects land under build_temp at their source's full path, so names never clash.
            source, includes = job
            return self.compiler.compile([source], output_dir=self.build_temp, include_dirs=includes,
                                         extra_postargs=flags, depends=depends)
        jobs = [(s, includes) for sources, includes in groups for s in sources]
        with ThreadPoolExecutor(max_workers=int(os.environ.get("REGIONKIT_JOBS", "2"))) as pool:
            objects = [o for done in pool.map(compile_one, jobs) for o in done]

        self.compiler.link_shared_object(
            objects, ext_path, libraries=self.get_libraries(ext), library_dirs=ext.library_dirs,
            runtime_library_dirs=ext.runtime_library_dirs, extra_postargs=[] if msvc else ["-g0"],
            export_symbols=self.get_export_symbols(ext), debug=self.debug, build_temp=self.build_temp,
            target_lang="c++")


class BuildPackage(build_py):
    """Ships the golden calls file inside the package, for regionkit.selfTest()."""

    def run(self):
        super().run()
        target = os.path.join(self.build_lib, "regionkit")
        os.makedirs(target, exist_ok=True)
        shutil.copyfile(GOLDEN, os.path.join(target, "regionkitGolden.bin"))


os.makedirs(os.path.join(ROOT, "build", "python-setuptools"), exist_ok=True)
setup(
    version=version(),
    packages=["regionkit"],
    package_dir={"": "python"},
    ext_modules=[Extension("regionkit._regionkit", sources=[])],
    cmdclass={"build_ext": BuildExtension, "build_py": BuildPackage},
    options={"build": {"build_base": os.path.join("build", "python-setuptools")},
             "egg_info": {"egg_base": os.path.join("build", "python-setuptools")}},
    zip_safe=False,
)
