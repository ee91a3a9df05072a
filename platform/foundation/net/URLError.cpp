#include "platform/foundation/net/URLError.h"

#include "platform/foundation/values/Dictionary.h"
#include "platform/foundation/text/StringObject.h"
#include "platform/foundation/net/URL.h"

namespace fd {

String URLErrorDescription(int64_t code) {
  switch (code) {
    case NSURLErrorCancelled: return "cancelled";
    case NSURLErrorBadURL: return "unsupported URL";
    case NSURLErrorTimedOut: return "The request timed out.";
    case NSURLErrorUnsupportedURL: return "unsupported URL";
    case NSURLErrorCannotFindHost: return "A server with the specified hostname could not be found.";
    case NSURLErrorCannotConnectToHost: return "Could not connect to the server.";
    case NSURLErrorNetworkConnectionLost: return "The network connection was lost.";
    case NSURLErrorDNSLookupFailed: return "A server with the specified hostname could not be found.";
    case NSURLErrorHTTPTooManyRedirects: return "too many HTTP redirects";
    case NSURLErrorNotConnectedToInternet: return "The Internet connection appears to be offline.";
    case NSURLErrorBadServerResponse: return "The server returned an invalid response.";
    case NSURLErrorUserCancelledAuthentication: return "The operation couldn’t be completed.";
    case NSURLErrorUserAuthenticationRequired: return "The operation couldn’t be completed.";
    case NSURLErrorCannotDecodeRawData:
    case NSURLErrorCannotDecodeContentData: return "cannot decode raw data";
    case NSURLErrorCannotParseResponse: return "cannot parse response";
    case NSURLErrorFileDoesNotExist: return "The requested URL was not found on this server.";
    case NSURLErrorFileIsDirectory: return "file is directory";
    case NSURLErrorNoPermissionsToReadFile: return "The operation couldn’t be completed. Permission denied";
    case NSURLErrorSecureConnectionFailed: return "An SSL error has occurred and a secure connection to the server cannot be made.";
    case NSURLErrorServerCertificateUntrusted: return "The certificate for this server is invalid.";
    case NSURLErrorServerCertificateHasBadDate: return "The certificate for this server has expired.";
    case NSURLErrorServerCertificateHasUnknownRoot: return "The certificate for this server was signed by an unknown certifying authority.";
    case NSURLErrorServerCertificateNotYetValid: return "The certificate for this server is not yet valid.";
    default: return "unknown error";
  }
}

Ref<Error> makeURLError(int64_t code, const Ref<URL>& failingURL, Ref<Error> underlying) {
  auto info = MutableDictionary::create();
  info->setObjectForKey(box(URLErrorDescription(code)), String(NSLocalizedDescriptionKey));
  if (failingURL) {
    info->setObjectForKey(failingURL, String(NSURLErrorFailingURLErrorKey));
    info->setObjectForKey(box(failingURL->absoluteString()), String(NSURLErrorFailingURLStringErrorKey));
  }
  if (underlying) info->setObjectForKey(underlying, String(NSUnderlyingErrorKey));
  return Error::create(NSURLErrorDomain, code, info);
}

}  // namespace fd
