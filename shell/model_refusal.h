// The model check of a requested package: a keyed device installs a
// package whose signature names models only when its own model, the OEM
// info it reports, is among them. Models compare without regard to the case
// of ASCII letters; a package that names none is for every model.
#pragma once

#include <windows.h>

#include "upgrade_attempt.h"

// The device's model: its OEM info (SystemParametersInfoW, SPI_GETOEMINFO);
// empty when it cannot be read or is too long to be a model, so that no
// model matches it.
void ReadDeviceModel(WCHAR (&model)[kDeviceModelCapacity]);

// TRUE (logged) when the device holds trusted keys and the signature beside
// `package` names models, none of them `deviceModel`. The signature is not
// verified here: the claim can only refuse a package, and one that passes
// is held to its models again by the extraction.
BOOL IsForAnotherModel(LPCWSTR package, LPCWSTR deviceModel);
