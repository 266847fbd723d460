// Stands for <AE/AEDataModel.h> of the Apple Event Manager (the AE subframework of Core
// Services, reached through <CoreServices/CoreServices.h>): descriptors and descriptor types.
#pragma once

#include <MacTypes.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef ResType DescType;
typedef FourCharCode AEEventClass;
typedef FourCharCode AEEventID;

enum {
  typeWildCard = 0x2A2A2A2A,             // '****'
  typeApplicationBundleID = 0x62756E64,  // 'bund'
};

typedef struct OpaqueAEDataStorageType* AEDataStorageType;
typedef AEDataStorageType* AEDataStorage;

#pragma pack(push, 2)
struct AEDesc {
  DescType descriptorType;
  AEDataStorage dataHandle;
};
#pragma pack(pop)
typedef struct AEDesc AEDesc;
typedef AEDesc AEAddressDesc;

// A descriptor of `typeCode` holding a copy of `dataSize` bytes. On a non-zero result the
// descriptor is the null descriptor and needs no disposal.
OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* result);

// Releases the memory of a descriptor made by the Apple Event Manager.
OSErr AEDisposeDesc(AEDesc* theAEDesc);

#ifdef __cplusplus
}
#endif
