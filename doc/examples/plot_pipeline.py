"""
From regions to box proposals
=============================

The pipeline the six functions serve, on a synthetic scene: regions are the
connected areas of one colour class, candidate boxes are drawn around them,
:py:func:`regionkit.coverage` gives each candidate's member regions,
:py:func:`regionkit.refit_boxes` snaps it to them, :py:func:`regionkit.nms`
culls the overlapping ones, and :py:func:`regionkit.word_histograms` with
:py:func:`regionkit.pairwise_distances` finds the two most alike regions.
"""
import matplotlib.pyplot as plt
import numpy as np
from matplotlib.patches import Rectangle
from scipy import ndimage

import regionkit

rng = np.random.default_rng(5)
H, W = 120, 160
classes = np.zeros((H, W), dtype=int)
for k in range(14):
    y, x = rng.integers(0, H - 20), rng.integers(0, W - 20)
    classes[y:y + rng.integers(8, 30), x:x + rng.integers(8, 40)] = rng.integers(1, 4)

# Regions: connected areas of one class (0 is the background); each has a
# bounding box (x, y, w, h), 1-based inclusive pixel edges, as coverage and
# refit_boxes read them.
labels = np.zeros((H, W), dtype=int)
for c in range(1, 4):
    found, n = ndimage.label(classes == c)
    labels[found > 0] = found[found > 0] + labels.max()
slices = ndimage.find_objects(labels)
region_boxes = np.array([[s[1].start + 1, s[0].start + 1, s[1].stop - s[1].start, s[0].stop - s[0].start]
                         for s in slices], dtype=float)

# Candidates: five loose boxes around each region; each is refit to the
# regions it covers, so loose boxes of one region become the same box.
around = np.repeat(region_boxes, 5, axis=0)
grow = rng.uniform(0, 10, (len(around), 4))
candidates = around + np.column_stack([-grow[:, 0], -grow[:, 1], grow[:, 0] + grow[:, 2], grow[:, 1] + grow[:, 3]])
members = regionkit.coverage(candidates, region_boxes)
refit = regionkit.refit_boxes(candidates, region_boxes, members, image_shape=(H, W))
scores = members.sum(axis=1) + rng.uniform(0, 0.5, len(refit))
keep = regionkit.nms(refit, scores, 0.5)
print("%d regions, %d candidates, %d kept" % (len(region_boxes), len(candidates), len(keep)))

# A word per pixel (class x gradient direction), a histogram per region, and
# the two regions whose histograms are closest.
gy, gx = np.gradient(classes.astype(float))
words = classes * 4 + (np.round(np.arctan2(gy, gx) / (np.pi / 2)).astype(int) % 4)
counts, totals = regionkit.word_histograms(words, labels, n_words=16, n_regions=len(region_boxes))
d = regionkit.pairwise_distances(counts.T / counts.sum(axis=0)[:, None], counts.T / counts.sum(axis=0)[:, None],
                                 metric="hik")
np.fill_diagonal(d, np.inf)
a, b = np.unravel_index(np.argmin(d), d.shape)
print("most alike: regions %d and %d" % (a + 1, b + 1))

fig, axes = plt.subplots(1, 2, figsize=(10, 3.8))
for ax, title, rows in ((axes[0], "%d candidates" % len(candidates), candidates),
                        (axes[1], "refit, %d kept by nms" % len(keep), refit[keep])):
    ax.imshow(classes, cmap="Pastel1", interpolation="nearest")
    for x, y, w, h in rows:
        ax.add_patch(Rectangle((x - 1.5, y - 1.5), w, h, fill=False, color="k", lw=1))
    ax.set_title(title)
    ax.set_axis_off()
for r in (a, b):
    x, y, w, h = region_boxes[r]
    axes[1].add_patch(Rectangle((x - 1.5, y - 1.5), w, h, fill=False, color="C3", lw=2))
fig.tight_layout()
plt.show()
