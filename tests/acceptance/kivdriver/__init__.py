"""Drives the real kiv and kiv-server processes from outside, the way a user
or a screen reader does: through the accessibility tree (AT-SPI) and the
keyboard, under a private X server and session bus per journey."""
