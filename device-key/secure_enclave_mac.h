/* The Secure Enclave through CryptoKit, as plain C functions. CryptoKit has only a Swift
 * interface, so key_store_mac.swift defines these with @_cdecl and key_store_mac.cpp calls them.
 * The Swift file matches this header by hand (Swift's `Bool`, `Int`, `UnsafeMutablePointer<T>`
 * and `UnsafeMutableRawPointer` for C's `bool`, `size_t`, `T*` and the handle pointers): change
 * both together.
 *
 * Memory, the same for every function:
 * - Inputs are borrowed for the call. A length of 0 may come with a null pointer.
 * - Fixed-size results go into arrays the caller owns (the 65-byte point, the 64-byte
 *   signature). The callee writes at most the array's size and reports, in `*..._length`, how
 *   many bytes the platform gave; the caller treats any other count as a failure.
 * - Variable-size results (a key blob, an error text) are allocated by the callee with malloc:
 *   `*bytes` and `*length` are set together, and the caller frees `*bytes` with free. The caller
 *   sets each such pointer to null first; one still null afterwards means nothing was given.
 *   Error texts are UTF-8 with their length, not NUL-terminated.
 * - Handles are retained platform objects; the caller gives each one to ozmi_se_release once.
 */
#ifndef OZMI_DEVICE_KEY_SECURE_ENCLAVE_MAC_H
#define OZMI_DEVICE_KEY_SECURE_ENCLAVE_MAC_H

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { ozmi_se_point_size = 65, ozmi_se_signature_size = 64 };

typedef struct ozmi_se_access_control ozmi_se_access_control;
typedef struct ozmi_se_key ozmi_se_key;

/* SecureEnclave.isAvailable. */
bool ozmi_se_is_available(void);

/* The access rule of new keys: after first unlock, this device only, private-key use, no user
 * interaction. Null when the platform gives no object; then `*error` holds the description of
 * the error object it handed back, or stays null when it handed back none. */
ozmi_se_access_control* ozmi_se_access_control_create(char** error, size_t* error_length);

/* A new key under `access_control`: its blob and its public point (X9.63). False when the
 * platform throws, with the error's text in `*error`. */
bool ozmi_se_key_create(ozmi_se_access_control* access_control, uint8_t** blob, size_t* blob_length,
                        uint8_t point[ozmi_se_point_size], size_t* point_length, char** error,
                        size_t* error_length);

/* The key of `blob` and its public point. Null when the platform throws, with the error's text in
 * `*error`. */
ozmi_se_key* ozmi_se_key_load(const uint8_t* blob, size_t blob_length, uint8_t point[ozmi_se_point_size],
                              size_t* point_length, char** error, size_t* error_length);

/* The ECDSA signature (r then s) over the SHA-256 digest of `message`; the platform hashes.
 * False when the platform throws, with the error's text in `*error`. */
bool ozmi_se_key_sign(ozmi_se_key* key, const uint8_t* message, size_t message_length,
                      uint8_t signature[ozmi_se_signature_size], size_t* signature_length, char** error,
                      size_t* error_length);

/* Releases a handle of either kind. */
void ozmi_se_release(void* handle);

#ifdef __cplusplus
}
#endif

#endif
