#include "logmodule/automation/typelib_text.h"

#include "corvex/platform/guid_text.h"
#include "logmodule/typeinfo/interface_descriptions.h"

namespace corvex::automation {
namespace {

using platform::AutoType;
using platform::MemberDesc;
using platform::MemberKind;

// The GUID as IDL writes it: without braces.
std::string uuid(const GUID& g) {
    const std::string braced = platform::format_guid(g);
    return braced.substr(1, braced.size() - 2);
}

std::string member_line(const MemberDesc& m) {
    std::string attributes;
    switch (m.kind) {
        case MemberKind::PropertyGet: attributes = "propget, "; break;
        case MemberKind::PropertyPut: attributes = "propput, "; break;
        case MemberKind::Method: break;
    }
    attributes += "id(" + std::to_string(m.dispid) + "), helpstring(\"" + m.help + "\")";
    std::string args;
    for (const platform::ParamDesc& p : m.params) {
        if (!args.empty()) args += ", ";
        args += std::string("[in] ") + p.type_name + " " + p.name;
    }
    if (m.result.type != AutoType::Void) {
        if (!args.empty()) args += ", ";
        args += std::string("[out, retval] ") + m.result.type_name + "* " + m.result.name;
    }
    return "    [" + attributes + "]\n    HRESULT " + m.name + "(" + args + ");\n";
}

}  // namespace

std::string type_library_text() {
    const typeinfo::LibraryDesc& lib = typeinfo::library();
    const std::string version = std::to_string(lib.major) + "." + std::to_string(lib.minor);
    std::string out;
    out += "import \"oaidl.idl\";\n";
    for (const platform::InterfaceDesc* itf : typeinfo::interfaces()) {
        out += "\n[\n  object,\n  uuid(" + uuid(itf->iid) + "),\n  dual,\n  helpstring(\"" + itf->help +
               "\"),\n  pointer_default(unique)\n]\ninterface " + itf->name + " : IDispatch\n{\n";
        for (const MemberDesc& m : itf->members) out += member_line(m);
        out += "};\n";
    }
    for (const typeinfo::ExtensionDesc& ext : typeinfo::extensions()) {
        out += "\n[\n  object,\n  uuid(" + uuid(ext.iid) + "),\n  local,\n  helpstring(\"" + ext.help +
               "\"),\n  pointer_default(unique)\n]\ninterface " + ext.name + " : IUnknown\n{\n";
        for (const typeinfo::ExtensionMemberDesc& m : ext.members)
            out += std::string("    [helpstring(\"") + m.help + "\")]\n    HRESULT " + m.name + m.parameters + ";\n";
        out += "};\n";
    }
    out += "\n[\n  uuid(" + uuid(lib.libid) + "),\n  version(" + version + "),\n  helpstring(\"" + lib.help +
           "\")\n]\nlibrary " + lib.name + "\n{\n  importlib(\"stdole2.tlb\");\n";
    for (const typeinfo::ClassDesc& c : typeinfo::classes()) {
        out += "\n  [\n    uuid(" + uuid(c.clsid) + "),\n    helpstring(\"" + c.help + "\")\n  ]\n  coclass " + c.name +
               "\n  {\n    [default] interface " + c.default_interface->name + ";\n  };\n";
    }
    out += "};\n";
    return out;
}

}  // namespace corvex::automation
