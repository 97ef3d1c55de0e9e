; Texts of the setup program and the uninstaller, English and Chinese
; (UTF-8; makensis reads it with -INPUTCHARSET UTF8).

LangString VT_CLOSING ${LANG_ENGLISH} "Closing Velotune (it restores the processor first if you chose that)..."
LangString VT_CLOSING ${LANG_SIMPCHINESE} "正在关闭 Velotune（如已设置，将先恢复处理器的默认设置）……"

LangString VT_STILL_RUNNING ${LANG_ENGLISH} "Velotune is still running. Exit it from its tray menu, then choose Retry. Cancel stops here and changes nothing."
LangString VT_STILL_RUNNING ${LANG_SIMPCHINESE} "Velotune 仍在运行。请从托盘菜单中退出 Velotune，然后点击“重试”。点击“取消”将停止，不做任何更改。"

LangString VT_GAVE_UP ${LANG_ENGLISH} "Velotune did not exit; nothing was changed."
LangString VT_GAVE_UP ${LANG_SIMPCHINESE} "Velotune 未退出，未做任何更改。"

LangString VT_KEPT_FOREIGN ${LANG_ENGLISH} "Kept $R8: a file of another maker is already there."
LangString VT_KEPT_FOREIGN ${LANG_SIMPCHINESE} "保留 $R8：该位置已有其他厂商的文件。"

LangString VT_RESTORING ${LANG_ENGLISH} "Restoring the processor's default settings..."
LangString VT_RESTORING ${LANG_SIMPCHINESE} "正在恢复处理器的默认设置……"

LangString VT_SEC_PROGRAM ${LANG_ENGLISH} "Velotune"
LangString VT_SEC_PROGRAM ${LANG_SIMPCHINESE} "Velotune"

LangString VT_SEC_LOGS ${LANG_ENGLISH} "Log files (the log folder)"
LangString VT_SEC_LOGS ${LANG_SIMPCHINESE} "日志文件（log 文件夹）"

LangString VT_UNINSTALL_INFO ${LANG_ENGLISH} "Velotune puts the processor's default settings back and is removed. Tick the log files to remove them too."
LangString VT_UNINSTALL_INFO ${LANG_SIMPCHINESE} "Velotune 将先恢复处理器的默认设置，然后被卸载。勾选日志文件可一并删除。"

LangString VT_FILE_DESCRIPTION ${LANG_ENGLISH} "Velotune Setup"
LangString VT_FILE_DESCRIPTION ${LANG_SIMPCHINESE} "Velotune 安装程序"

LangString VT_STAYS_OVERCLOCKED ${LANG_ENGLISH} "Velotune could not put the processor's default settings back. If it was overclocked, it stays overclocked until the next restart."
LangString VT_STAYS_OVERCLOCKED ${LANG_SIMPCHINESE} "Velotune 未能恢复处理器的默认设置。如果处理器已超频，它将保持超频状态，直到下次重新启动。"

LangString VT_KEPT_DOWNLOADS ${LANG_ENGLISH} "Kept $APPDATA\Velotune: it holds downloaded files."
LangString VT_KEPT_DOWNLOADS ${LANG_SIMPCHINESE} "保留 $APPDATA\Velotune：其中有已下载的文件。"

LangString VT_KEPT_LOGS ${LANG_ENGLISH} "Kept the log folder: it tells why the default settings were not put back."
LangString VT_KEPT_LOGS ${LANG_SIMPCHINESE} "保留日志文件夹：其中记录了未能恢复默认设置的原因。"

; The install folder's security (FolderSecurity.nsh).
LangString VT_FOLDER_NOT_ADMIN ${LANG_ENGLISH} "This folder already exists and is not owned by administrators, so other users may have changed it. Choose a new folder or one inside Program Files."
LangString VT_FOLDER_NOT_ADMIN ${LANG_SIMPCHINESE} "该文件夹已存在，且其所有者不是管理员，其他用户可能已更改其中的内容。请选择一个新文件夹，或 Program Files 中的文件夹。"
LangString VT_FOLDER_LINK ${LANG_ENGLISH} "This folder, or a folder above it, is a link to another place, which can be changed after the install. Choose a new folder or one inside Program Files."
LangString VT_FOLDER_LINK ${LANG_SIMPCHINESE} "该文件夹或其上级文件夹是指向其他位置的链接，安装后可能被更改。请选择一个新文件夹，或 Program Files 中的文件夹。"
LangString VT_FOLDER_PARENT ${LANG_ENGLISH} "A folder above this one can be changed by users who are not administrators, so they could replace the install folder. Choose a folder inside Program Files."
LangString VT_FOLDER_PARENT ${LANG_SIMPCHINESE} "该文件夹的上级文件夹可被非管理员用户更改，他们可能替换安装文件夹。请选择 Program Files 中的文件夹。"
LangString VT_FOLDER_NOT_EMPTY ${LANG_ENGLISH} "This folder already holds other files, which Velotune would run with administrator rights beside its own. Choose an empty folder or a new one."
LangString VT_FOLDER_NOT_EMPTY ${LANG_SIMPCHINESE} "该文件夹中已有其他文件，Velotune 会以管理员权限与其一同运行。请选择一个空文件夹或新文件夹。"
LangString VT_FOLDER_NOT_SECURED ${LANG_ENGLISH} "The permissions of the install folder could not be set, so Velotune was not installed there. Choose another folder."
LangString VT_FOLDER_NOT_SECURED ${LANG_SIMPCHINESE} "无法设置安装文件夹的权限，因此未在该位置安装 Velotune。请选择其他文件夹。"

; A copy installed from the MSI package (Velotune.nsi, .onInit).
LangString VT_MSI_COPY ${LANG_ENGLISH} "Velotune is installed from its MSI package. Upgrade it with a newer MSI package, or uninstall it from Add or Remove Programs first; this setup program has changed nothing."
LangString VT_MSI_COPY ${LANG_SIMPCHINESE} "Velotune 是通过 MSI 安装包安装的。请使用更新的 MSI 安装包升级，或先在“添加或删除程序”中将其卸载；本安装程序未做任何更改。"

; NSIS's own Chinese text for a folder made ("^CreateFolder") keeps its quote
; marks in the details list, the only one of its lines that does.
LangString ^CreateFolder ${LANG_SIMPCHINESE} "创建文件夹: "
