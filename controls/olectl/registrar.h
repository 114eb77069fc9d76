// Interpreter of registrar scripts (the .rgs syntax): keys in braces, default
// values and `val` named values of type s (string) or d (DWORD), the key
// flags ForceRemove, NoRemove and Delete, and %NAME% replaceable parameters.
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove {guid} = s 'Name'
//       {
//         InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
//       }
//     }
//   }
//
// Register creates keys and sets values (a ForceRemove key is deleted with
// its subtree first, a Delete key is only deleted). Tokens are separated by
// white space; text in single quotes ('' for a quote) is one token. Unregister deletes the
// named values, a ForceRemove key with its subtree, and a plain key once it
// has no subkeys left; NoRemove keys and the root keys stay. A script is
// parsed completely before the registry is touched.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <string_view>

namespace olectl {

class Registrar {
 public:
  Registrar();

  // A replaceable parameter: %name% in a script stands for value.
  void AddReplacement(std::wstring name, std::wstring value);
  // Where a root name of the scripts (HKCR, HKEY_CLASSES_ROOT, HKCU, ...)
  // points; tests redirect roots into a scratch key.
  void MapRoot(std::wstring name, HKEY key);

  HRESULT Register(std::wstring_view script) const;
  HRESULT Unregister(std::wstring_view script) const;
  // Runs the REGISTRY resource id of the module.
  HRESULT RunResource(HMODULE module, UINT id, bool do_register) const;

 private:
  HRESULT Run(std::wstring_view script, bool do_register) const;

  std::map<std::wstring, std::wstring> replacements_;
  std::map<std::wstring, HKEY> roots_;
};

}  // namespace olectl
