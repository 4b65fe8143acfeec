#!/usr/bin/env python3
"""A screenshot of the whole screen with the pointer's image in it, as the X server shows it (a
   screenshot alone never has it). The pointer is read first, then the screen.
   cursor_shot.py OUTPUT"""
import ctypes
import os
import subprocess
import sys
import tempfile


class CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
xfixes = ctypes.cdll.LoadLibrary("libXfixes.so.3")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("cannot open the display")
image = xfixes.XFixesGetCursorImage(display)
if not image:
    sys.exit("no cursor image")
c = image.contents
rgba = bytearray()
for i in range(c.width * c.height):
    argb = c.pixels[i] & 0xFFFFFFFF
    a = argb >> 24
    # Premultiplied by alpha: undone for an ordinary picture.
    unmul = (lambda v: min(255, v * 255 // a)) if a else (lambda v: 0)
    rgba += bytes((unmul((argb >> 16) & 255), unmul((argb >> 8) & 255), unmul(argb & 255), a))
with tempfile.NamedTemporaryFile(suffix=".pam", delete=False) as f:
    f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (c.width, c.height))
    f.write(rgba)
    pam = f.name
try:
    subprocess.run(["import", "-window", "root", "-depth", "8", sys.argv[1]], check=True)
    subprocess.run(["convert", sys.argv[1], pam, "-geometry", "+%d+%d" % (c.x - c.xhot, c.y - c.yhot),
                    "-composite", sys.argv[1]], check=True)
finally:
    os.unlink(pam)
print("cursor %s at (%d, %d)" % ((c.name or b"").decode(), c.x, c.y))
