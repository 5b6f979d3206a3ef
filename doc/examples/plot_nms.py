"""
Non-maximum suppression, with and without groups
================================================

Many detections of the same objects, each a box ``x, y, w, h`` with a score:
:py:func:`regionkit.nms` keeps the best box of each cluster and drops the
boxes that overlap a kept one by at least the threshold (intersection over
union). With ``groups``, boxes of different groups (classes, say) never drop
one another.
"""
import matplotlib.pyplot as plt
import numpy as np
from matplotlib.patches import Rectangle

import regionkit

rng = np.random.default_rng(7)
centres = np.array([[40, 40], [120, 60], [80, 130]])
boxes = np.concatenate([np.column_stack([c[0] + rng.normal(0, 4, 15), c[1] + rng.normal(0, 4, 15),
                                         rng.uniform(30, 40, 15), rng.uniform(30, 40, 15)])
                        for c in centres])
scores = rng.uniform(0, 1, len(boxes))
keep = regionkit.nms(boxes, scores, iou_threshold=0.5)
print("kept %d of %d boxes: rows %s" % (len(keep), len(boxes), keep))

# Two classes: a box of class 1 no longer suppresses a box of class 0.
classes = np.arange(len(boxes)) % 2
keep_by_class = regionkit.nms(boxes, scores, 0.5, groups=classes)
print("kept per class:", np.bincount(classes[keep_by_class]))

fig, axes = plt.subplots(1, 3, figsize=(10, 3.6), sharey=True)
for ax, (title, rows) in zip(axes, [("all %d boxes" % len(boxes), np.arange(len(boxes))),
                                    ("nms: %d kept" % len(keep), keep),
                                    ("nms per class: %d kept" % len(keep_by_class), keep_by_class)]):
    for i in rows:
        x, y, w, h = boxes[i]
        ax.add_patch(Rectangle((x, y), w, h, fill=False, lw=0.8 + 2 * scores[i],
                               color="C%d" % classes[i] if ax is axes[2] else "C0"))
    ax.set_title(title)
    ax.set_xlim(0, 180)
    ax.set_ylim(190, 0)
    ax.set_aspect("equal")
fig.tight_layout()
plt.show()
