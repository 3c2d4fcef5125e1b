"""Settings files with the mistakes people make, and what velmora-check must say about each:
read by the real reader (Windows' own under Wine, velmora's on Linux) and by velmora-check's own
reading of the lines. Shared by the native and the Wine suites. REC stands for the recorder."""

# (name, file bytes, a part of the warning expected)
MISTAKES = [
    ("quoted whole value", b'[Path]\r\ndefault="REC" "%P"\r\n',
     b'write the value in one more pair: default=""REC" "%P""'),
    ("a section near Path", b"[Paths]\r\ndefault=REC %P\r\n",
     b"line 1: velmora reads no section [Paths]; did you mean [Path]?"),
    ("a key near shift", b"[Path]\r\ndefault=REC %P\r\nshfit=REC %P\r\n",
     b'line 3: velmora reads no key "shfit"; did you mean "shift"?'),
    ("a key before any section", b"default=REC %P\r\n[Path]\r\n",
     b'line 1: "default" stands before any section'),
    ("a line without =", b"[Path]\r\ndefault=REC %P\r\nREC %P\r\n", b"line 3: "),
    ("a key written twice", b"[Path]\r\ndefault=REC one %P\r\nDEFAULT=REC two %P\r\n",
     b"the reader takes the first, on line 2"),
    ("%F of desktop entries", b"[Path]\r\ndefault=REC %F\r\n",
     b"line 2: %F is no placeholder of velmora's"),
    ("%1 of Windows associations", b'[Path]\r\ndefault=REC "%1"\r\n',
     b"line 2: %1 is no placeholder of velmora's"),
    ("UTF-16 without its mark", "[Path]\r\ndefault=REC %P\r\n".encode("utf-16-le"),
     b"the file holds NUL bytes"),
]
