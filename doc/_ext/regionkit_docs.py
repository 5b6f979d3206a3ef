"""Pages the regionkit documentation makes while it builds.

- api/python: a page per public name of the package (``regionkit.__all__``),
  and for each public module (``regionkit.matlab``) a page per name in its
  ``__all__``. A name added to ``__all__`` gets its page without an edit here.
- api/matlab: a page per MATLAB/Octave function listed in Contents.m, from the
  help text of its .m file, so the pages say what ``help <name>`` says.
- changelog.md: the checkout's CHANGELOG.md.

Everything is written into the source folder Sphinx builds from (make docs
builds from a copy in build/docs/source).
"""
import inspect
import os
import re
import types

import regionkit

GENERATED_NOTE = ".. This page is generated while the documentation builds; edit its source instead.\n\n"


def _title(text, underline="="):
    return "%s\n%s\n\n" % (text, underline * len(text))


def _plain_signature(function):
    """The signature without annotations: the help text below it gives the types."""
    signature = inspect.signature(function)
    return str(signature.replace(parameters=[p.replace(annotation=p.empty) for p in signature.parameters.values()],
                                 return_annotation=signature.empty))


def _literal(text, indent="   "):
    lines = text.rstrip().splitlines()
    return (indent[:-3] + ".. code-block:: text\n\n" + "\n".join((indent + line).rstrip() for line in lines)
            + "\n\n")


def _write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    old = None
    if os.path.exists(path):
        with open(path, encoding="utf-8") as f:
            old = f.read()
    if old != text:  # unchanged pages keep their time, and Sphinx does not reread them
        with open(path, "w", encoding="utf-8") as f:
            f.write(text)


def python_pages(outdir):
    """One page per public name; returns the index entries (page, qualified name)."""
    entries = []
    for name in regionkit.__all__:
        obj = getattr(regionkit, name)
        qualified = "regionkit." + name
        if isinstance(obj, types.ModuleType):
            members = []
            for member in obj.__all__:
                page = "%s.%s" % (qualified, member)
                function = getattr(obj, member)
                _write(os.path.join(outdir, page + ".rst"), GENERATED_NOTE + _title(page) +
                       ".. py:function:: %s%s\n   :module: %s\n\n" % (member, _plain_signature(function), qualified) +
                       "   The help text, as ``help(%s)`` shows it:\n\n" % page +
                       _literal(inspect.getdoc(function) or "", indent="      "))
                members.append(page)
            _write(os.path.join(outdir, qualified + ".rst"), GENERATED_NOTE + _title(qualified) +
                   ".. automodule:: %s\n   :no-members:\n\n" % qualified +
                   ".. autosummary::\n\n" + "".join("   %s\n" % m for m in members) + "\n" +
                   ".. toctree::\n   :hidden:\n\n" + "".join("   %s\n" % m for m in members))
            entries.append(qualified)
        elif inspect.isclass(obj) or callable(obj):
            directive = ("autoexception" if inspect.isclass(obj) and issubclass(obj, BaseException)
                         else "autoclass" if inspect.isclass(obj) else "autofunction")
            _write(os.path.join(outdir, qualified + ".rst"),
                   GENERATED_NOTE + _title(qualified) + ".. %s:: %s\n" % (directive, qualified))
            entries.append(qualified)
    functions = [e for e in entries if not inspect.isclass(getattr(regionkit, e.split(".")[1]))
                 and not isinstance(getattr(regionkit, e.split(".")[1]), types.ModuleType)]
    classes = [e for e in entries if inspect.isclass(getattr(regionkit, e.split(".")[1]))]
    modules = [e for e in entries if e not in functions and e not in classes]
    # The package's summary; the rest of its docstring is a table for help(), which the tables below replace.
    summary = inspect.getdoc(regionkit).split("\n\n")[0]
    index = GENERATED_NOTE + _title("Python: regionkit") + ".. module:: regionkit\n\n%s\n\n" % summary
    for heading, names in (("Functions", functions), ("Exceptions", classes), ("Modules", modules)):
        if names:
            index += _title(heading, "-") + ".. autosummary::\n\n" + "".join("   %s\n" % n for n in names) + "\n"
    index += ".. toctree::\n   :hidden:\n\n" + "".join("   %s\n" % e for e in entries)
    _write(os.path.join(outdir, "index.rst"), index)


def help_text(path):
    """The help text of a .m file: its first block of % comments, without the %."""
    lines = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            stripped = line.strip()
            if stripped.startswith("%"):
                lines.append(stripped[1:])
            elif lines or (stripped and not stripped.startswith("function")):
                break
    return lines


def contents(root):
    """Contents.m as groups of (name, summary) under their headings, and its closing notes."""
    lines = help_text(os.path.join(root, "Contents.m"))[2:]  # after the title and the version
    entry = re.compile(r"\s+(\w+)\s+- (.*)")
    groups, notes = [], []
    for i, line in enumerate(lines):
        if entry.match(line):
            groups[-1][1].append(entry.match(line).groups())
        elif i + 1 < len(lines) and entry.match(lines[i + 1]):
            groups.append((line.strip(), []))
        elif line.strip() and not line.lstrip().startswith("regionkit is free software"):
            notes.append(line.strip())
    return groups, notes


def find_m_file(root, name):
    for candidate in (os.path.join(root, name + ".m"), os.path.join(root, name, name + ".m"),
                      os.path.join(root, "selftest", name + ".m")):
        if os.path.exists(candidate):
            return candidate
    raise FileNotFoundError("no help file for %s, which Contents.m lists" % name)


def matlab_pages(root, outdir):
    groups, notes = contents(root)
    names = {name.upper(): name for _, entries in groups for name, _ in entries}
    index = GENERATED_NOTE + _title("MATLAB and GNU Octave functions")
    index += ("Each page is the function's help text, as ``help <name>`` shows it in MATLAB and GNU "
              "Octave. ``help Contents`` lists them all.\n\n")
    pages = []
    for group, entries in groups:
        index += _title(group, "-")
        for name, summary in entries:
            lines = help_text(find_m_file(root, name))
            first = lines[0].strip()
            body = "\n".join(lines[1:])
            # The help texts indent by three spaces after the %; the page keeps their layout.
            text = "\n".join(l[2:] if l.startswith("  ") else l.strip() for l in body.splitlines())
            # "See also COVERTEST, CONTENTS." links the functions that have pages.
            see_also = re.search(r"See also (.*?)\.?\s*$", text)
            links = [names[n] for n in re.findall(r"\w+", see_also.group(1)) if n in names] if see_also else []
            _write(os.path.join(outdir, name + ".rst"),
                   GENERATED_NOTE + ".. _matlab-%s:\n\n" % name + _title(name) +
                   "%s\n\n" % first[len(name):].strip() + _literal(text) +
                   ("See also: %s.\n" % ", ".join(":ref:`%s <matlab-%s>`" % (l, l) for l in links) if links else ""))
            index += "- :ref:`%s <matlab-%s>`: %s\n" % (name, name, summary)
            pages.append(name)
        index += "\n"
    if notes:
        index += " ".join(notes) + "\n\n"
    index += ".. toctree::\n   :hidden:\n\n" + "".join("   %s\n" % p for p in pages)
    _write(os.path.join(outdir, "index.rst"), index)


def generate(app):
    root = app.config.regionkit_root
    src = app.srcdir
    python_pages(os.path.join(src, "api", "python"))
    matlab_pages(root, os.path.join(src, "api", "matlab"))
    with open(os.path.join(root, "CHANGELOG.md"), encoding="utf-8") as f:
        _write(os.path.join(src, "changelog.md"), f.read())


def setup(app):
    app.add_config_value("regionkit_root", None, "env")
    app.setup_extension("sphinx.ext.autosummary")
    app.connect("builder-inited", generate)
    return {"parallel_read_safe": True, "parallel_write_safe": True}
