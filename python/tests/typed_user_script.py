"""A user's script calling every regionkit function, for `mypy --strict` (test_typing.py) and to run."""
from typing import List, Tuple

import numpy as np
import numpy.typing as npt

import regionkit
from regionkit import matlab


def proposals(image: npt.NDArray[np.float64], labels: npt.NDArray[np.int64]) -> List[Tuple[int, float]]:
    boxes = np.array([[1, 1, 8, 8], [2, 2, 8, 8], [10, 10, 4, 4]], dtype=np.float64)
    scores = np.array([0.9, 0.8, 0.7])
    keep: npt.NDArray[np.int64] = regionkit.nms(boxes, scores, 0.3, groups=[0, 0, 1])
    regions = boxes[keep] + np.array([1.0, 1.0, -2.0, -2.0])
    inside: npt.NDArray[np.bool_] = regionkit.coverage(boxes, regions)
    refit: npt.NDArray[np.float64] = regionkit.refit_boxes(boxes, regions, inside, image_shape=image.shape[:2])
    counts, totals = regionkit.word_histograms(labels, np.ones_like(labels), n_words=4, n_regions=1)
    d: npt.NDArray[np.float64] = regionkit.pairwise_distances(counts / max(int(totals.sum()), 1), counts, metric="hik")
    match = regionkit.correlate_valid(image, image[:2, :2])
    kept = matlab.rectCull(np.hstack([boxes, scores[:, None]]), 0.3)
    matlab.coverTest(regions, boxes)
    matlab.rectRefit(boxes, regions, inside, 20, 20)
    matlab.pairMetric(counts, counts, 1)
    matlab.slideCorr(image, image[:2, :2])
    matlab.regionTally(labels + 1, np.ones_like(labels), 4, 1, nargout=1)
    assert regionkit.self_test(["slideCorr"], verbose=False) and matlab.selfTest(["coverTest"], False)
    try:
        regionkit.nms(boxes, scores[:2], 0.3)
    except regionkit.RegionkitValueError as error:
        print(error.identifier, error.reason)
    return [(int(i), float(match.max() + d.max() + refit.sum() + len(kept))) for i in keep]


if __name__ == "__main__":
    print(proposals(np.arange(400.0).reshape(20, 20), np.arange(400).reshape(20, 20) % 4))
