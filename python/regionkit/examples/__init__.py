"""Examples built on regionkit, installed with it: ``proposals_for_folder``,
the command ``regionkit-proposals`` (it needs SciPy: the ``example`` extra)."""
