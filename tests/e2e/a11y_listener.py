"""An assistive-technology client on the accessibility bus, registered for
events as a screen reader is: it prints one line for each object that takes
the focus ("focus<TAB>role<TAB>name<TAB>description"), flushing each line,
until it is ended. Run with the system's Python, which has pyatspi."""

import sys

import pyatspi


def on_focus(event):
    try:
        if event.type.startswith("object:state-changed:focused") and not event.detail1:
            return
        source = event.source
        print("focus", source.getRoleName(), source.name, source.description, sep="\t", flush=True)
    except Exception as error:  # an object gone meanwhile
        print("gone", type(error).__name__, sep="\t", flush=True)


def on_key(event):
    return False  # heard, never consumed


pyatspi.Registry.registerEventListener(on_focus, "object:state-changed:focused")
pyatspi.Registry.registerKeystrokeListener(on_key, kind=(pyatspi.KEY_PRESSED_EVENT, pyatspi.KEY_RELEASED_EVENT),
                                           mask=pyatspi.allModifiers())
print("ready", flush=True)
sys.stdout.flush()
pyatspi.Registry.start()
