"""Copyright and licence statements written into the generated data files."""
# SPDX-FileCopyrightText: 2026 The Quorvane developers
# SPDX-License-Identifier: MIT

COPYRIGHT = "Copyright 2026 the Quorvane developers."
FONT_LICENCE = (
    "This Font Software is licensed under the SIL Open Font License, "
    "Version 1.1. This license is available with a FAQ at: "
    "https://openfontlicense.org"
)
FONT_LICENCE_URL = "https://openfontlicense.org"
MEDIA_LICENCE = "CC BY 4.0"
MEDIA_NOTICE = COPYRIGHT + " Licensed under " + MEDIA_LICENCE + "."
