// Stands for <Foundation/NSError.h>, with the members the permission helper uses.
#pragma once

#include <Foundation/NSDictionary.h>
#include <Foundation/NSString.h>

#pragma clang assume_nonnull begin

typedef NSString* NSErrorDomain;
typedef NSString* NSErrorUserInfoKey;

#ifdef __cplusplus
extern "C" {
#endif
// The domain of errors whose code is a POSIX error number (errno).
extern NSErrorDomain const NSPOSIXErrorDomain;
// The user-information key of the error that caused this one.
extern NSErrorUserInfoKey const NSUnderlyingErrorKey;
#ifdef __cplusplus
}
#endif

@interface NSError : NSObject
@property (readonly, copy) NSErrorDomain domain;
@property (readonly) NSInteger code;
@property (readonly, copy) NSDictionary<NSErrorUserInfoKey, id>* userInfo;
@end

#pragma clang assume_nonnull end
