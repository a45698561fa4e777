#include "engine/ResolverHttp.h"

#include "support/Deploy.h"

std::string ResolverUserAgentWithVendor() {
  std::string domain = deploy::Value(deploy::VendorDomain);
  std::string agent = kResolverUserAgent;
  if (!domain.empty()) agent += " (" + domain + ")";
  return agent;
}

std::string ResolverGetOk(const std::string& address) {
  if (address.empty()) return std::string();
  TRequest request;
  if (!request.SetMethodAndURL("GET", address)) return std::string();
  if (request.Execute(InternetHandle()) != 0) return std::string();
  if (request.Response().StatusCode != 200) return std::string();
  return request.Response().Body;
}
