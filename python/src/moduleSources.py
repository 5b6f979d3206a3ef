"""Writes the generated sources of the Python module, run by the CMake build.

    python3 moduleSources.py OUTDIR VERSION NAME=HELPFILE...

OUTDIR/plugins.inc lists every plug-in as REGIONKIT_PLUGIN(name, results, doc),
with its docstring made from the help text of its NAME.m, and
OUTDIR/version.inc holds the version as a string literal. A file whose text
would not change is left alone, so nothing is rebuilt for nothing.
"""
import os
import re
import sys

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


def python_help(name, help_file, names):
    """(result count, docstring) from the help text of a function's .m file."""
    lines = []
    with open(help_file, encoding="utf-8") as f:
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


def cxx_literal(text):
    """A C++ raw string literal, in pieces short enough for every compiler."""
    pieces = [text[i:i + 2000] for i in range(0, len(text), 2000)] or [""]
    return "\n".join('R"rkdoc(%s)rkdoc"' % p for p in pieces)


def write_if_changed(path, text):
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            if f.read() == text:
                return
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)


def main(outdir, version, plugins):
    found = sorted(p.split("=", 1) for p in plugins)
    names = [name for name, _ in found]
    listing = []
    for name, help_file in found:
        results, doc = python_help(name, help_file, names)
        listing.append("REGIONKIT_PLUGIN(%s, %d,\n%s)\n" % (name, results, cxx_literal(doc)))
    os.makedirs(outdir, exist_ok=True)
    write_if_changed(os.path.join(outdir, "plugins.inc"), "".join(listing))
    write_if_changed(os.path.join(outdir, "version.inc"), '"%s"\n' % version)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
