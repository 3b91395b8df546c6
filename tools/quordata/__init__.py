"""Generators for Quorvane's data files: font, bitmaps, logo sound, music."""
