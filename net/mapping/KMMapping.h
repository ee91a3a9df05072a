#pragma once
// The dictionary-to-object mapping in one include.
#include "net/mapping/KMDictionaryCache.h"
#include "net/mapping/KMFoundation.h"
#include "net/mapping/KMHooks.h"
#include "net/mapping/KMProperty.h"
#include "net/mapping/KMPropertyKey.h"
#include "net/mapping/KMPropertyType.h"
#include "net/mapping/NSObject+KMClass.h"
#include "net/mapping/NSObject+KMCoding.h"
#include "net/mapping/NSObject+KMKeyValue.h"
#include "net/mapping/NSObject+KMProperty.h"
#include "net/mapping/NSString+KMExtension.h"
