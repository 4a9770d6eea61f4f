#include "support/tls_recording.h"

#include "support/check_helpers.h"
#include "tls_openssl.h"

namespace vrxmail::testing {

CheckContext recordingTlsContext(const std::string& rootsFile, const SentBytes& sent) {
  CheckContext context;
  context.connect = recordingConnector(sent.wire);
  const TlsStarter tls = tlsTrustingOnly(rootsFile);
  const std::shared_ptr<std::string> secured = sent.secured;
  context.secure = [tls, secured](std::unique_ptr<Transport> inner, const std::string& name,
                                  const IoBounds& bounds,
                                  int32_t& error) -> std::unique_ptr<Transport> {
    std::unique_ptr<Transport> t = tls(std::move(inner), name, bounds, error);
    if (!t) return nullptr;
    return recordingTransport(std::move(t), secured);
  };
  return context;
}

}  // namespace vrxmail::testing
