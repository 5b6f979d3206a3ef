"""Synthetic scenes to try the examples on: coloured, textured objects on a grey ground."""
import os

import numpy as np

# The five hues of the objects, which the proposals example's colour classes look for.
HUES = np.array([[0.85, 0.15, 0.15], [0.20, 0.70, 0.25], [0.20, 0.30, 0.85], [0.90, 0.85, 0.20],
                 [0.80, 0.20, 0.75]])


def synthetic(folder: str, count: int, H: int = 480, W: int = 640) -> None:
    """Writes `count` scenes of textured objects on a grey ground, as .npy files."""
    os.makedirs(folder, exist_ok=True)
    Y, X = np.mgrid[1:H + 1, 1:W + 1]
    for n in range(count):
        rng = np.random.default_rng(n)
        img = np.tile([0.56, 0.57, 0.58], (H, W, 1)) * (0.92 + 0.08 * Y / H)[:, :, None]
        for _ in range(rng.integers(6, 14)):
            cx, cy, a, b = rng.random() * W, rng.random() * H, 15 + rng.random() * 60, 15 + rng.random() * 50
            mask = (np.abs(X - cx) < a) & (np.abs(Y - cy) < b) if rng.random() < 0.5 else \
                ((X - cx) / a) ** 2 + ((Y - cy) / b) ** 2 <= 1
            texture = [np.ones((H, W)), 1 - 0.4 * ((Y // 5) % 2), 1 - 0.4 * ((X // 4) % 2),
                       1 - 0.45 * ((X // 6 + Y // 6) % 2)][rng.integers(4)]
            img[mask] = HUES[rng.integers(5)] * texture[mask][:, None]
        np.save(os.path.join(folder, "scene%03d.npy" % n), np.clip(img + 0.03 * rng.standard_normal(img.shape), 0, 1))
