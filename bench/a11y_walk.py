# The client side of bench/a11y_walk.sh: walks zm32's objects on the accessibility bus as a
# screen reader does, while idle and while upload hex waits for data, and prints both.
#   a11y_walk.py OUTPUT_FILE      (upload hex saves there)
import os, statistics, subprocess, sys, time, pyatspi

def find_app(name, timeout=20):
    end = time.time() + timeout
    while time.time() < end:
        d = pyatspi.Registry.getDesktop(0)
        for i in range(d.childCount):
            a = d.getChildAtIndex(i)
            if a is not None and a.name == name:
                return a
        time.sleep(0.2)
    return None

def walk(node, out):
    # What a screen reader asks of each object: role, name, states, extents, children.
    out.append((node.getRoleName(), node.name))
    node.getState()
    try:
        node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    except NotImplementedError:
        pass
    for i in range(node.childCount):
        c = node.getChildAtIndex(i)
        if c is not None:
            walk(c, out)
    return out

def timed_walks(app, n):
    times = []
    count = 0
    for _ in range(n):
        t = time.perf_counter()
        count = len(walk(app, []))
        times.append(time.perf_counter() - t)
    return count, times

def find(node, role, name):
    if node.getRoleName() == role and node.name == name:
        return node
    for i in range(node.childCount):
        c = node.getChildAtIndex(i)
        if c is not None:
            f = find(c, role, name)
            if f is not None:
                return f
    return None

def click(node):
    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(e.x + e.width // 2), str(e.y + e.height // 2), "click", "1"], check=True)

app = find_app("zm32")
if app is None:
    sys.exit("a11y: zm32 did not appear on the accessibility bus")
timed_walks(app, 2)  # the first walks fill the caches on both sides
count, idle = timed_walks(app, 10)
click(find(app, "menu item", "prompro7"))
time.sleep(0.5)
click(find(app, "menu item", "upload hex (for a long long time)"))
time.sleep(1.0)
subprocess.run(["xdotool", "type", "--delay", "5", sys.argv[1]], check=True)
subprocess.run(["xdotool", "key", "Return"], check=True)
# I, U and the offset take 0.4 s, then a pumping second, then the wait for data (10 s).
time.sleep(2.5)
status = find(app, "label", "Waiting for 7 seconds from Prompro 7")
_, waiting = timed_walks(app, 10)
still = find(app, "label", "Waiting for 7 seconds from Prompro 7")
ms = lambda xs: 1000 * statistics.median(xs)
ratio = statistics.median(waiting) / statistics.median(idle)
print("accessibility walk of zm32's %d objects: idle %.1f ms, during upload hex's wait for data %.1f ms "
      "(medians of 10; %.2fx; target at most 2x: %s)%s" % (
          count, ms(idle), ms(waiting), ratio, "met" if ratio <= 2 else "NOT met",
          "" if status is not None and still is not None else " [the wait was not seen throughout]"))
