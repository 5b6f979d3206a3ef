"""
Finding a template with valid-mode correlation
==============================================

:py:func:`regionkit.correlate_valid` gives the sum of products of a kernel
with the image at every position where the kernel fits whole (the kernel is
not flipped). Normalized by the local energy of the image, its peak finds
where a template was cut from.
"""
import matplotlib.pyplot as plt
import numpy as np
from scipy import ndimage

import regionkit

rng = np.random.default_rng(3)
image = ndimage.gaussian_filter(rng.normal(0, 1, (120, 160)), 2)
top, left = 70, 95
template = image[top:top + 16, left:left + 20].copy()
template -= template.mean()

scores = regionkit.correlate_valid(image, template)
energy = np.sqrt(regionkit.correlate_valid(image ** 2, np.ones_like(template)))
normalized = scores / (energy * np.linalg.norm(template))
found = np.unravel_index(np.argmax(normalized), normalized.shape)
print("map of %d x %d positions; best at row %d, column %d (cut from row %d, column %d)"
      % (normalized.shape + found + (top, left)))

fig, axes = plt.subplots(1, 3, figsize=(10, 3.2))
axes[0].imshow(image, cmap="gray")
axes[0].add_patch(plt.Rectangle((found[1] - 0.5, found[0] - 0.5), 20, 16, fill=False, color="C3", lw=2))
axes[0].set_title("image, template found")
axes[1].imshow(template, cmap="gray")
axes[1].set_title("template")
axes[2].imshow(normalized, cmap="viridis")
axes[2].set_title("normalized correlation")
for ax in axes:
    ax.set_axis_off()
fig.tight_layout()
plt.show()
