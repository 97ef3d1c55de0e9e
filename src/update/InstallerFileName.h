#pragma once
// The file name a downloaded installer is saved under, made from the URL the
// update engine gave. The engine's text is outside input: whatever it holds,
// the name stays a plain file name inside the download folder.
#include <string>

// The URL's last part after "/" (the whole URL when it has none), with a
// query or fragment cut off, only what follows a backslash kept, and every
// character a file name cannot hold made "_", and trailing dots and spaces
// dropped. A name left empty, or one that names a device, becomes
// "VelotuneSetup.exe".
std::wstring InstallerFileName(const std::wstring& url);
