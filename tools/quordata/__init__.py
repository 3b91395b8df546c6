"""Generators for Quorvane's data files: font, bitmaps, logo sound, music."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT
