#pragma once
// What the REST connector writers share: the verbs, the type codes they can carry and those
// that cannot travel in a URL, the type constants and accessor names, and the filters that
// leave out the built-in classes and methods they cannot express.
#include <string>
#include <vector>

#include "proxy/TDSProxyGenerator.h"

namespace quillara {

class TDSCustomConnectorProxyWriter : public TDSCustomProxyWriter {
 public:
  TDSCustomConnectorProxyWriter();

  std::string Get = "GET", Post = "POST", Put = "PUT", Delete = "DELETE";
  std::string FPostPrefix = "update", FPutPrefix = "accept", FDeletePrefix = "cancel";
  bool GenerateURLFunctions = false;

  virtual std::string HTTPMethodOf(const TDSProxyClass& proxyClass,
                                   const TDSProxyMethod& proxyMethod);
  virtual const std::vector<int>& NonURLTypes();
  virtual const std::vector<int>& SupportedTypes();
  virtual bool IsPrimitiveJSONTypeName(const std::string& name);
  virtual std::string SetterName(const TDSProxyParameter& parameter);
  virtual std::string GetterName(const TDSProxyParameter& parameter);
  // Fails with "Param direction not allowed" outside 1 to 4.
  virtual std::string DirectionConstant(int direction);
  virtual std::string DirectionConstantPrefix();
  virtual int OutputParameterCount(const TDSProxyMethod& proxyMethod);
  virtual std::string URLMethodName(const TDSProxyClass& proxyClass,
                                    const TDSProxyMethod& proxyMethod);
  virtual std::string TypeConstant(int code);
  virtual std::string TypeConstantPrefix();

  bool IsValueHolderParameter(const TDSProxyParameter& parameter) const;
  static bool IsInputParameter(const TDSProxyParameter& parameter);
  static bool IsOutputParameter(const TDSProxyParameter& parameter);
  static TDSProxyParameter* GetReturnParam(const TDSProxyMethod& proxyMethod);
  template <typename F>
  static void ForEachParameter(const TDSProxyMethod& proxyMethod, F&& action) {
    for (TDSProxyParameter* p = proxyMethod.Parameters(); p; p = p->Next.get()) action(*p);
  }
  bool IsConnectorMethodIncluded(const TDSProxyMethod& proxyMethod);
  bool IsConnectorClassIncluded(const TDSProxyClass& proxyClass);
  bool IsSupported(int code);
  bool IsNonURLType(int code);
};

}  // namespace quillara
