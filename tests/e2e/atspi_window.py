#!/usr/bin/python3
"""Reads the running program's windows the way a screen reader does, through
AT-SPI, for the end-to-end tests. Needs the Debian Python (pyatspi) and the
session's accessibility bus; x_session.sh wraps each command.

  atspi_window.py PID read NAME                  the text of the control named NAME
  atspi_window.py PID wait NAME REGEX SECONDS    waits until that text matches REGEX
  atspi_window.py PID labels                     the main window's labels, one a line
  atspi_window.py PID button                     the main window's button: "CAPTION enabled|disabled"
  atspi_window.py PID wait-button REGEX SECONDS  waits until that line matches REGEX
  atspi_window.py PID message SECONDS [TEXT]     waits for a message box (saying TEXT) and prints its text
  atspi_window.py PID messages                   how many message boxes are open
  atspi_window.py PID centre NAME                desktop coordinates "X Y" of the control's centre
  atspi_window.py PID tree                       every object: role, name, text, states

A control's text is its field text where it has one, its name otherwise (a
label's name is its text). A wait polls the program and, when its deadline
passes, fails saying what it saw last. Exit status: 0 found, 1 not found or
timed out, 2 wrong use.
"""

import re
import sys
import time

import pyatspi
from gi.repository import Atspi, GLib

POLL_SECONDS = 0.05
# The program registers on the bus a moment after its window shows.
WINDOW_SECONDS = 30
MESSAGE_ROLES = ("dialog", "alert")
# A top-level QWidget is offered as a "filler", a QMainWindow as a "frame";
# tooltips and drop-downs are top-levels of other roles.
MAIN_WINDOW_ROLES = ("filler", "frame")


class NotFound(Exception):
    pass


def application(pid):
    """The program's application object on the bus, without cached values:
    every read asks the program afresh."""
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                app.set_cache_mask(Atspi.Cache.NONE)
                return app
        except GLib.Error:
            continue
    raise NotFound(f"no application of process {pid} on the accessibility bus")


def top_levels(pid):
    return [window for window in application(pid) if window is not None]


def main_window(pid):
    for window in top_levels(pid):
        if window.getRoleName() in MAIN_WINDOW_ROLES:
            return window
    raise NotFound("the main window is not on the accessibility bus")


def message_boxes(pid):
    return [window for window in top_levels(pid) if window.getRoleName() in MESSAGE_ROLES]


def descendants(obj):
    # Every read is a round trip to the program, which answers between the
    # numbers of a run, every few milliseconds: a list's entries (the drop-
    # down of lines per file) are left out of the walk.
    for child in obj:
        if child is None:
            continue
        yield child
        if child.getRoleName() != "list":
            yield from descendants(child)


def field_text(obj):
    try:
        return obj.queryText().getText(0, -1)
    except NotImplementedError:
        return None


def text_of(obj):
    text = field_text(obj)
    return obj.name if text is None else text


def control(pid, name):
    """The control named NAME in the main window; of several (a list and its
    text field) the one that has a field text."""
    named = [obj for obj in descendants(main_window(pid)) if obj.name == name]
    if not named:
        raise NotFound(f"no control named {name!r}")
    with_text = [obj for obj in named if field_text(obj) is not None]
    return (with_text or named)[0]


def button(pid):
    # The button is one of the window's own children.
    buttons = [obj for obj in main_window(pid) if obj is not None and obj.getRoleName() == "push button"]
    if len(buttons) != 1:
        raise NotFound(f"{len(buttons)} buttons in the main window")
    state = "enabled" if buttons[0].getState().contains(pyatspi.STATE_ENABLED) else "disabled"
    return f"{buttons[0].name} {state}"


def labels(pid):
    return "\n".join(obj.name for obj in descendants(main_window(pid))
                     if obj.getRoleName() == "label" and obj.name)


def message_text(pid):
    boxes = message_boxes(pid)
    if not boxes:
        raise NotFound("no message box open")
    return "\n".join(obj.name for obj in descendants(boxes[0])
                     if obj.getRoleName() == "label" and obj.name)


def centre(pid, name):
    extents = control(pid, name).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return f"{extents.x + extents.width // 2} {extents.y + extents.height // 2}"


def tree(pid):
    lines = []
    for window in top_levels(pid):
        for obj in [window, *descendants(window)]:
            states = [pyatspi.stateToString(s) for s in obj.getState().getStates()]
            text = field_text(obj)
            lines.append(f"{obj.getRoleName()} {obj.name!r}"
                         + ("" if text is None else f" text={text!r}") + f" {','.join(states)}")
    return "\n".join(lines)


def wait_for(read, accept, seconds, what):
    """Polls read() until accept(value) holds; fails with the last value seen
    (or why nothing could be read) when seconds have passed."""
    deadline = time.monotonic() + seconds
    while True:
        try:
            seen = read()
            if accept(seen):
                return seen
            last = f"saw {seen!r}"
        except (NotFound, GLib.Error) as error:
            last = str(error)
        if time.monotonic() > deadline:
            raise NotFound(f"{what} within {seconds} s: {last}")
        time.sleep(POLL_SECONDS)


def run(pid, command, args):
    # The program may still be starting: wait for its window on the bus. A
    # wait for a message box waits for the program itself, and the box that
    # says the program cannot start comes without a main window.
    if command != "message":
        wait_for(lambda: main_window(pid), lambda _: True, WINDOW_SECONDS, "no main window")
    if command == "read" and len(args) == 1:
        return text_of(control(pid, args[0]))
    if command == "wait" and len(args) == 3:
        name, pattern, seconds = args
        return wait_for(lambda: text_of(control(pid, name)), lambda t: re.search(pattern, t),
                        float(seconds), f"the text of {name!r} did not match {pattern!r}")
    if command == "labels" and not args:
        return labels(pid)
    if command == "button" and not args:
        return button(pid)
    if command == "wait-button" and len(args) == 2:
        pattern, seconds = args
        return wait_for(lambda: button(pid), lambda b: re.search(pattern, b), float(seconds),
                        f"the button did not match {pattern!r}")
    if command == "message" and len(args) in (1, 2):
        wanted = args[1] if len(args) == 2 else None
        return wait_for(lambda: message_text(pid), lambda t: wanted is None or t == wanted, float(args[0]),
                        "no message box" + ("" if wanted is None else f" saying {wanted!r}"))
    if command == "messages" and not args:
        return str(len(message_boxes(pid)))
    if command == "centre" and len(args) == 1:
        return centre(pid, args[0])
    if command == "tree" and not args:
        return tree(pid)
    raise ValueError(f"wrong use: {command} {' '.join(args)}")


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    try:
        print(run(int(argv[1]), argv[2], argv[3:]))
        return 0
    except ValueError as error:
        print(f"{error}\n{__doc__}", file=sys.stderr)
        return 2
    except (NotFound, GLib.Error) as error:
        print(error, file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
