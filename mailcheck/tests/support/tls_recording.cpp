#include "support/tls_recording.h"

#include "support/check_helpers.h"
#include "tls_openssl.h"

namespace vrxmail::testing {
namespace {

class Recorder final : public Transport {
 public:
  Recorder(std::unique_ptr<Transport> inner, std::shared_ptr<std::string> sent)
      : inner_(std::move(inner)), sent_(std::move(sent)) {}
  IoResult sendAll(std::string_view data) override {
    sent_->append(data.data(), data.size());
    return inner_->sendAll(data);
  }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    return inner_->receiveSome(buffer, capacity);
  }

 private:
  std::unique_ptr<Transport> inner_;
  std::shared_ptr<std::string> sent_;
};

}  // namespace

CheckContext recordingTlsContext(const std::string& rootsFile, const SentBytes& sent) {
  CheckContext context;
  context.connect = recordingConnector(sent.wire);
  const TlsStarter tls = tlsTrustingOnly(rootsFile);
  const std::shared_ptr<std::string> secured = sent.secured;
  context.secure = [tls, secured](std::unique_ptr<Transport> inner, const std::string& name,
                                  int32_t& error) -> std::unique_ptr<Transport> {
    std::unique_ptr<Transport> t = tls(std::move(inner), name, error);
    if (!t) return nullptr;
    return std::make_unique<Recorder>(std::move(t), secured);
  };
  return context;
}

}  // namespace vrxmail::testing
