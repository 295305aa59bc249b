"""The titles of the windows the tests look for, as the program and Windows name them."""

DISPLAY = "Lumora_Main"            # the shower, /s or no switch
DIALOG = "ルモラの設定"              # the settings dialog, /c
PREVIEW = "Preview Window"          # the preview inside a pane, /p
CHOOSER = "ﾌｧｲﾙを開く"              # the platform's open-file dialog, from "..."
MESSAGE = "ルモラ"                  # the program's message boxes
SETUP_JAPANESE = "ルモラ セットアップ"  # the installer's wizard on Japanese Windows
SETUP_ENGLISH = "ルモラ Setup"          # and elsewhere
