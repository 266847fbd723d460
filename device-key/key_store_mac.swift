// The C functions of secure_enclave_mac.h over CryptoKit's Secure Enclave keys, matching that header by hand
// (size_t is Int, a handle a raw pointer). Nothing is stored and no keychain item is written: a key exists
// only as its blob. A thrown error is handed back in its default textual form, with nothing added.
import CryptoKit
import Foundation
import Security

public typealias OzmiSeText = UnsafeMutablePointer<UnsafeMutablePointer<CChar>?>
public typealias OzmiSeBytes = UnsafeMutablePointer<UnsafeMutablePointer<UInt8>?>
public typealias OzmiSeCount = UnsafeMutablePointer<Int>
public typealias OzmiSeHandle = UnsafeMutableRawPointer
private typealias PrivateKey = SecureEnclave.P256.Signing.PrivateKey

private final class Box<Value> { let value: Value; init(_ value: Value) { self.value = value } }
private func retained<Value>(_ value: Value) -> OzmiSeHandle { Unmanaged.passRetained(Box(value)).toOpaque() }
private func unboxed<Value>(_ handle: OzmiSeHandle, _: Value.Type) -> Value {
  Unmanaged<Box<Value>>.fromOpaque(handle).takeUnretainedValue().value
}
private func borrowed(_ p: UnsafePointer<UInt8>?, _ n: Int) -> Data { p.map { Data(bytes: $0, count: n) } ?? Data() }

// A malloc'd copy for the caller to free: at least one byte, so never null.
private func give<T>(_ data: Data, _ out: UnsafeMutablePointer<UnsafeMutablePointer<T>?>, _ length: OzmiSeCount) {
  let buffer = malloc(max(data.count, 1))!
  // func copyBytes(to ptr: UnsafeMutableRawBufferPointer) -> Int (discardable)
  data.copyBytes(to: UnsafeMutableRawBufferPointer(start: buffer, count: data.count))
  out.pointee = buffer.bindMemory(to: T.self, capacity: max(data.count, 1))
  length.pointee = data.count
}

// Into the caller's fixed array: at most `capacity` bytes, and the count the platform gave.
private func put(_ data: Data, _ out: UnsafeMutablePointer<UInt8>, _ capacity: Int, _ length: OzmiSeCount) {
  // func copyBytes(to pointer: UnsafeMutablePointer<UInt8>, count: Int)
  data.copyBytes(to: out, count: min(data.count, capacity))
  length.pointee = data.count
}

// The result of `body`, or nil with the thrown error's text in `text`.
private func attempt<R>(_ text: OzmiSeText, _ length: OzmiSeCount, _ body: () throws -> R) -> R? {
  do { return try body() } catch { give(Data("\(error)".utf8), text, length); return nil }
}

@_cdecl("ozmi_se_is_available")
public func ozmiSeIsAvailable() -> Bool { SecureEnclave.isAvailable }  // static var isAvailable: Bool { get }

@_cdecl("ozmi_se_access_control_create")
public func ozmiSeAccessControlCreate(_ text: OzmiSeText, _ length: OzmiSeCount) -> OzmiSeHandle? {
  var error: Unmanaged<CFError>?
  // func SecAccessControlCreateWithFlags(_ allocator: CFAllocator?, _ protection: CFTypeRef, _ flags:
  //   SecAccessControlCreateFlags, _ error: UnsafeMutablePointer<Unmanaged<CFError>?>?) -> SecAccessControl?
  let access = SecAccessControlCreateWithFlags(nil, kSecAttrAccessibleAfterFirstUnlockThisDeviceOnly,
                                               .privateKeyUsage, &error)
  let object = error?.takeRetainedValue()
  if let access = access { return retained(access) }
  // String(reflecting:) is what Optional's own description shows of its value.
  if let object = object { give(Data(String(reflecting: object).utf8), text, length) }
  return nil
}

@_cdecl("ozmi_se_key_create")
public func ozmiSeKeyCreate(_ access: OzmiSeHandle, _ blob: OzmiSeBytes, _ blobLength: OzmiSeCount,
                            _ point: UnsafeMutablePointer<UInt8>, _ pointLength: OzmiSeCount,
                            _ text: OzmiSeText, _ length: OzmiSeCount) -> Bool {
  attempt(text, length) { () throws -> Void in
    // init(compactRepresentable: Bool = true, accessControl: SecAccessControl = ...,
    //   authenticationContext: LAContext? = nil) throws
    let key = try PrivateKey(compactRepresentable: true, accessControl: unboxed(access, SecAccessControl.self),
                             authenticationContext: nil)
    give(key.dataRepresentation, blob, blobLength)  // let dataRepresentation: Data
    // let publicKey: P256.Signing.PublicKey; var x963Representation: Data { get }
    put(key.publicKey.x963Representation, point, 65, pointLength)
  } != nil
}

@_cdecl("ozmi_se_key_load")
public func ozmiSeKeyLoad(_ blob: UnsafePointer<UInt8>?, _ blobLength: Int, _ point: UnsafeMutablePointer<UInt8>,
                          _ pointLength: OzmiSeCount, _ text: OzmiSeText, _ length: OzmiSeCount) -> OzmiSeHandle? {
  attempt(text, length) { () throws -> OzmiSeHandle in
    // init(dataRepresentation: Data, authenticationContext: LAContext? = nil) throws
    let key = try PrivateKey(dataRepresentation: borrowed(blob, blobLength), authenticationContext: nil)
    put(key.publicKey.x963Representation, point, 65, pointLength)
    return retained(key)
  }
}

@_cdecl("ozmi_se_key_sign")
public func ozmiSeKeySign(_ key: OzmiSeHandle, _ message: UnsafePointer<UInt8>?, _ messageLength: Int,
                          _ signature: UnsafeMutablePointer<UInt8>, _ signatureLength: OzmiSeCount,
                          _ text: OzmiSeText, _ length: OzmiSeCount) -> Bool {
  attempt(text, length) { () throws -> Void in
    // func signature<D>(for data: D) throws -> P256.Signing.ECDSASignature where D : DataProtocol
    let made = try unboxed(key, PrivateKey.self).signature(for: borrowed(message, messageLength))
    put(made.rawRepresentation, signature, 64, signatureLength)  // var rawRepresentation: Data { get }
  } != nil
}

@_cdecl("ozmi_se_release")
public func ozmiSeRelease(_ handle: OzmiSeHandle) {
  Unmanaged<AnyObject>.fromOpaque(handle).release()  // the one retain of retained(_:)
}
