#!/usr/bin/env python3
"""Generates the C++ bindings and the metadata files of the API definition in idl/*.idl.

    generate.py --out DIR FILE.idl...           write DIR/Com/..., DIR/metadata/*.json,
                                                DIR/client/MetamodelText.cpp
    generate.py --list-sources --out DIR FILE.idl...   print the .cpp files it would write
    generate.py --docs FILE.idl...              print the API reference in markdown

The definition language is line based; see idl/README.md.
"""

import argparse
import json
import os
import re
import sys

ERROR_PREFIX = "com.orvane.lumo.std.errors."
READ_ENTITLEMENT = "HostSettings.Read"
MODIFY_ENTITLEMENT = "HostSettings.Modify"

PRIMITIVES = {
    "string": "std::string",
    "secret": "std::string",
    "uri": "std::string",
    "long": "std::int64_t",
    "double": "double",
    "boolean": "bool",
    "binary": "std::vector<std::uint8_t>",
    "date_time": "::Lumo::DateTime",
    "opaque": "::Lumo::Data::DataValuePtr",
    "error": "::Lumo::Data::ErrorValuePtr",
    "void": "void",
}
CONTAINERS = ("optional", "list", "set", "map")
STANDARD_ERRORS = {
    "error", "already_exists", "internal_server_error", "invalid_argument",
    "not_allowed_in_current_state", "not_found", "resource_inaccessible",
    "service_unavailable", "unauthenticated", "unauthorized", "unsupported",
}
OPERATION_KINDS = ("read", "modify", "task")
CPP_KEYWORDS = {"default", "delete", "new", "class", "struct", "namespace", "operator", "template",
                "this", "union", "private", "public", "register", "auto", "char", "int"}


class IdlError(Exception):
    pass


def snake(camel):
    """CamelCase to snake_case: CheckCompliance -> check_compliance."""
    return re.sub(r"(?<=[a-z0-9])(?=[A-Z])", "_", camel).lower()


def camel(snake_text):
    """snake_case to CamelCase: host_settings -> HostSettings."""
    return "".join(part[:1].upper() + part[1:] for part in snake_text.split("_"))


class TypeRef:
    """A type expression: a primitive, a container of types, or a named structure/enumeration."""

    def __init__(self, name, args=()):
        self.name = name
        self.args = list(args)
        self.decl = None  # the Struct or Enum a named type resolves to

    def text(self):
        if self.name in CONTAINERS:
            return "%s<%s>" % (self.name, ",".join(arg.text() for arg in self.args))
        return self.decl.id if self.decl else self.name

    def cpp(self):
        if self.name == "optional":
            return "std::optional<%s>" % self.args[0].cpp()
        if self.name == "list":
            return "std::vector<%s>" % self.args[0].cpp()
        if self.name == "set":
            return "std::set<%s>" % self.args[0].cpp()
        if self.name == "map":
            return "std::map<std::string, %s>" % self.args[1].cpp()
        if self.decl:
            return self.decl.cpp_name()
        return PRIMITIVES[self.name]

    def walk(self):
        yield self
        for arg in self.args:
            yield from arg.walk()

    def is_optional(self):
        return self.name == "optional"

    def is_secret(self):
        inner = self.args[0] if self.is_optional() else self
        return inner.name == "secret"


def parse_type(text, where):
    tokens = re.findall(r"[A-Za-z_][A-Za-z0-9_.]*|[<>,]", text)
    if "".join(tokens) != re.sub(r"\s+", "", text):
        raise IdlError("%s: bad type '%s'" % (where, text))
    pos = [0]

    def read():
        if pos[0] >= len(tokens):
            raise IdlError("%s: type '%s' ends early" % (where, text))
        name = tokens[pos[0]]
        pos[0] += 1
        if name not in CONTAINERS:
            return TypeRef(name)
        args = []
        expect("<")
        args.append(read())
        while pos[0] < len(tokens) and tokens[pos[0]] == ",":
            pos[0] += 1
            args.append(read())
        expect(">")
        wanted = 2 if name == "map" else 1
        if len(args) != wanted:
            raise IdlError("%s: %s takes %d type(s)" % (where, name, wanted))
        return TypeRef(name, args)

    def expect(token):
        if pos[0] >= len(tokens) or tokens[pos[0]] != token:
            raise IdlError("%s: expected '%s' in type '%s'" % (where, token, text))
        pos[0] += 1

    result = read()
    if pos[0] != len(tokens):
        raise IdlError("%s: trailing text in type '%s'" % (where, text))
    return result


class Member:
    """A field of a structure or a parameter of an operation."""

    def __init__(self, name, type_ref, doc):
        self.name, self.type, self.doc = name, type_ref, doc


class Struct:
    def __init__(self, type_id, namespace, name, doc, source, header=None):
        self.id, self.namespace, self.name, self.doc, self.source = type_id, namespace, name, doc, source
        self.fields = []
        self.header = header  # set for structures written by hand

    def cpp_name(self):
        return "::" + "::".join(self.namespace + [self.name])

    def header_path(self):
        return self.header or "generated/" + "/".join(self.namespace + [self.name]) + ".hpp"


class Enum:
    def __init__(self, type_id, namespace, name, doc, source):
        self.id, self.namespace, self.name, self.doc, self.source = type_id, namespace, name, doc, source
        self.values = []
        self.header = None

    def cpp_name(self):
        return "::" + "::".join(self.namespace + [self.name])

    def header_path(self):
        return "generated/" + "/".join(self.namespace + [self.name]) + ".hpp"


class Operation:
    def __init__(self, name, kind, doc):
        self.name, self.kind, self.doc = name, kind, doc
        self.id = snake(name)
        self.params = []
        self.returns = TypeRef("void")
        self.returns_doc = ""
        self.errors = []

    def result_cpp(self):
        return self.returns.cpp()


class Service:
    def __init__(self, cpp_parts, service_id, doc, component, source):
        self.cpp_parts, self.id, self.doc, self.component, self.source = cpp_parts, service_id, doc, component, source
        self.operations = []

    def header_path(self):
        return "generated/" + "/".join(self.cpp_parts) + ".hpp"

    def cli_path(self):
        return self.id[len("com.orvane."):] if self.id.startswith("com.orvane.") else self.id


class Model:
    def __init__(self):
        self.types = {}  # id -> Struct | Enum
        self.services = []

    def structs(self, component=None):
        return [t for t in self.types.values() if isinstance(t, Struct) and self._in(t, component)]

    def enums(self, component=None):
        return [t for t in self.types.values() if isinstance(t, Enum) and self._in(t, component)]

    @staticmethod
    def _in(decl, component):
        return component is None or decl.component == component


LINE = re.compile(r'^(\w+)\s*(.*?)\s*(?:"((?:[^"\\]|\\.)*)")?\s*$')


def parse_file(path, model):
    source = os.path.basename(path)
    component = None
    package = None
    service = None
    current = None  # the Struct, Enum or Operation that member lines belong to
    pending = []  # (TypeRef, scope service, package, where) to resolve later
    with open(path, encoding="utf-8") as handle:
        lines = handle.readlines()
    for number, raw in enumerate(lines, 1):
        where = "%s:%d" % (source, number)
        text = raw.split("#", 1)[0] if '"' not in raw else _strip_comment(raw)
        if not text.strip():
            continue
        match = LINE.match(text.strip())
        if not match:
            raise IdlError("%s: cannot read '%s'" % (where, raw.strip()))
        keyword, rest, doc = match.group(1), match.group(2), (match.group(3) or "").replace('\\"', '"')
        if keyword == "component":
            component = rest
        elif keyword == "package":
            package, service, current = rest, None, None
        elif keyword == "service":
            words = rest.split()
            cpp_parts = words[0].split("::")
            if not cpp_parts[-1].endswith("Svc"):
                raise IdlError("%s: service names end in Svc" % where)
            service_id = ".".join(snake(p) for p in cpp_parts[:-1] + [cpp_parts[-1][:-3]])
            for word in words[1:]:
                if word.startswith("id="):
                    service_id = word[3:]
            service = Service(cpp_parts, service_id, doc, component, source)
            model.services.append(service)
            current = None
        elif keyword in ("struct", "enum", "extern"):
            current = _declare(keyword, rest, doc, where, model, package, service, component, source)
        elif keyword in ("field", "param"):
            name, _, type_text = rest.partition(":")
            name = name.strip()
            if not re.fullmatch(r"[a-z][a-z0-9_]*", name) or name in CPP_KEYWORDS:
                raise IdlError("%s: bad name '%s'" % (where, name))
            member = Member(name, parse_type(type_text.strip(), where), doc)
            owner = current.params if keyword == "param" and isinstance(current, Operation) else None
            if keyword == "field" and isinstance(current, Struct):
                owner = current.fields
            if owner is None:
                raise IdlError("%s: %s outside its block" % (where, keyword))
            if any(m.name == name for m in owner):
                raise IdlError("%s: '%s' declared twice" % (where, name))
            owner.append(member)
            pending.append((member.type, service, package, where))
        elif keyword == "value":
            if not isinstance(current, Enum) or not re.fullmatch(r"[A-Z][A-Z0-9_]*", rest):
                raise IdlError("%s: bad enumeration value '%s'" % (where, rest))
            current.values.append((rest, doc))
        elif keyword == "operation":
            words = rest.split()
            if service is None or len(words) != 2 or words[1] not in OPERATION_KINDS:
                raise IdlError("%s: operation NAME read|modify|task inside a service" % where)
            current = Operation(words[0], words[1], doc)
            service.operations.append(current)
            if current.kind == "task":
                current.returns = TypeRef("string")
                current.returns_doc = "The id of the task that carries out the operation."
        elif keyword == "returns":
            if not isinstance(current, Operation) or current.kind == "task":
                raise IdlError("%s: returns belongs to a read or modify operation" % where)
            current.returns = parse_type(rest, where)
            current.returns_doc = doc
            pending.append((current.returns, service, package, where))
        elif keyword == "errors":
            if not isinstance(current, Operation):
                raise IdlError("%s: errors outside an operation" % where)
            for name in rest.split():
                if name not in STANDARD_ERRORS:
                    raise IdlError("%s: unknown error '%s'" % (where, name))
                current.errors.append(ERROR_PREFIX + name)
        else:
            raise IdlError("%s: unknown keyword '%s'" % (where, keyword))
    return pending


def _strip_comment(raw):
    """Drops a # comment that is not inside a quoted text."""
    quoted = False
    for index, char in enumerate(raw):
        if char == '"' and (index == 0 or raw[index - 1] != "\\"):
            quoted = not quoted
        elif char == "#" and not quoted:
            return raw[:index]
    return raw


def _declare(keyword, rest, doc, where, model, package, service, component, source):
    words = rest.split()
    header = None
    if keyword == "extern":
        # extern struct NAME HEADER: a structure written by hand, adapted by the runtime.
        if len(words) != 3 or words[0] != "struct":
            raise IdlError("%s: extern struct NAME HEADER" % where)
        keyword, words, header = "struct", words[1:2], words[2]
    if len(words) != 1 or not re.fullmatch(r"[A-Z][A-Za-z0-9]*", words[0]):
        raise IdlError("%s: %s needs one CamelCase name" % (where, keyword))
    name = words[0]
    if service is not None:
        namespace, type_id = list(service.cpp_parts), service.id + "." + snake(name)
    elif package is not None:
        namespace, type_id = [camel(p) for p in package.split(".")], package + "." + snake(name)
    else:
        raise IdlError("%s: %s outside a package or service" % (where, keyword))
    if type_id in model.types:
        raise IdlError("%s: type %s declared twice" % (where, type_id))
    decl = Struct(type_id, namespace, name, doc, source, header) if keyword == "struct" else \
        Enum(type_id, namespace, name, doc, source)
    decl.component = component
    model.types[type_id] = decl
    return decl


def _full_id(name):
    """A dotted type name as an id: com.orvane.hub.task.Info -> com.orvane.hub.task.info."""
    package, _, last = name.rpartition(".")
    return package + "." + snake(last)


def resolve(model, pending):
    for type_ref, service, package, where in pending:
        for ref in type_ref.walk():
            if ref.name in PRIMITIVES or ref.name in CONTAINERS:
                continue
            candidates = [_full_id(ref.name)] if "." in ref.name else \
                [s + "." + snake(ref.name) for s in ([service.id] if service else []) + ([package] if package else [])]
            found = [model.types[c] for c in candidates if c in model.types]
            if not found:
                raise IdlError("%s: unknown type '%s'" % (where, ref.name))
            ref.decl = found[0]
        for ref in type_ref.walk():
            if ref.name == "map" and ref.args[0].name != "string":
                raise IdlError("%s: map keys are strings" % where)
            if ref.name == "set" and not (ref.args[0].name == "string" or isinstance(ref.args[0].decl, Enum)):
                raise IdlError("%s: set items are strings or enumerations" % where)
            if ref.name == "secret" and ref is not type_ref and not (type_ref.is_optional() and ref is type_ref.args[0]):
                raise IdlError("%s: a secret is a field or an optional field, never inside a container" % where)
            if ref.name == "void" and ref is not type_ref:
                raise IdlError("%s: void only as a whole result" % where)


def load(paths):
    model = Model()
    pending = []
    for path in paths:
        pending += parse_file(path, model)
    resolve(model, pending)
    ids = [s.id for s in model.services]
    if len(ids) != len(set(ids)):
        raise IdlError("a service id is declared twice")
    return model


# ---------------------------------------------------------------------------------- C++

BANNER = "// Generated by idl/generate.py from idl/%s; do not edit.\n"


def comment(doc, indent=""):
    if not doc:
        return ""
    words, lines, line = doc.split(), [], ""
    for word in words:
        if line and len(line) + len(word) + 1 > 96 - len(indent):
            lines.append(line)
            line = word
        else:
            line = line + " " + word if line else word
    lines.append(line)
    return "".join("%s// %s\n" % (indent, l) for l in lines)


def includes_for(type_refs, own=None):
    std, local = set(), set()
    for type_ref in type_refs:
        for ref in type_ref.walk():
            if ref.name == "optional":
                std.add("<optional>")
            elif ref.name == "list":
                std.add("<vector>")
            elif ref.name == "set":
                std.add("<set>")
            elif ref.name == "map":
                std.update(["<map>", "<string>"])
            elif ref.name in ("string", "secret", "uri"):
                std.add("<string>")
            elif ref.name in ("long", "binary"):
                std.update(["<cstdint>", "<vector>"] if ref.name == "binary" else ["<cstdint>"])
            elif ref.name == "date_time":
                local.add("platform/lumo/DateTime.hpp")
            elif ref.name in ("opaque",):
                local.add("platform/lumo/DataValue.hpp")
            elif ref.name == "error":
                local.add("platform/lumo/ErrorValue.hpp")
            elif ref.decl is not None and ref.decl is not own:
                local.add(ref.decl.header_path())
    return std, local


def include_block(std, local):
    text = "".join("#include %s\n" % s for s in sorted(std))
    if std and local:
        text += "\n"
    return text + "".join('#include "%s"\n' % l for l in sorted(local))


def namespace_open(parts):
    return "namespace %s {\n" % "::".join(parts)


def namespace_close(parts):
    return "}  // namespace %s\n" % "::".join(parts)


def struct_files(decl):
    std, local = includes_for([f.type for f in decl.fields], decl)
    std.add("<string_view>")
    local.add("platform/lumo/TypeAdapter.hpp")
    header = BANNER % decl.source + "#pragma once\n\n" + include_block(std, local) + "\n"
    header += namespace_open(decl.namespace) + "\n" + comment(decl.doc)
    header += "struct %s {\n" % decl.name
    header += '    static constexpr std::string_view kTypeId = "%s";\n\n' % decl.id
    for field in decl.fields:
        header += comment(field.doc, "    ") + "    %s %s{};\n" % (field.type.cpp(), field.name)
    header += "\n    bool operator==(const %s&) const = default;\n};\n\n" % decl.name
    header += namespace_close(decl.namespace) + "\n"
    cpp_name = decl.cpp_name()
    header += namespace_open(["Lumo", "Bindings"]) + "\n"
    header += "template <>\nstruct TypeAdapter<%s> {\n" % cpp_name
    header += "    static Data::DataValuePtr ToValue(const %s& native);\n" % cpp_name
    header += "    static void Emit(const %s& native, Data::ValueSink& sink);\n" % cpp_name
    header += "    static bool FromValue(const Data::DataValuePtr& value, %s& native, AdaptContext& context);\n" % cpp_name
    if not any(f.type.is_secret() for f in decl.fields):
        visits = " &&\n               ".join('visit("%s", native.%s)' % (f.name, f.name) for f in decl.fields)
        header += "\n    // Calls visit(name, field) for each field in order until one returns false.\n"
        header += "    template <class Native, class Visit>\n"
        header += "    static bool VisitFields(Native& native, Visit&& visit)\n    {\n"
        header += "        return %s;\n    }\n" % (visits if decl.fields else "((void)native, (void)visit, true)")
        header += "    static constexpr size_t kFieldCount = %d;\n" % len(decl.fields)
    header += "};\n\n" + namespace_close(["Lumo", "Bindings"])

    source = BANNER % decl.source + '#include "%s"\n\n' % decl.header_path()
    source += '#include "platform/lumo/StructReader.hpp"\n#include "platform/lumo/StructWriter.hpp"\n\n'
    source += namespace_open(["Lumo", "Bindings"]) + "\n"
    source += "Data::DataValuePtr TypeAdapter<%s>::ToValue(const %s& native)\n{\n" % (cpp_name, cpp_name)
    source += "    StructWriter writer(%s::kTypeId, %d);\n" % (cpp_name, len(decl.fields))
    for field in decl.fields:
        put = "PutSecret" if field.type.is_secret() else "Put"
        source += '    writer.%s("%s", native.%s);\n' % (put, field.name, field.name)
    if not decl.fields:
        source += "    (void)native;\n"
    source += "    return writer.Done();\n}\n\n"
    source += "void TypeAdapter<%s>::Emit(const %s& native, Data::ValueSink& sink)\n{\n" % (cpp_name, cpp_name)
    source += "    sink.StartStruct(%s::kTypeId);\n" % cpp_name
    for field in decl.fields:
        emit = "SecretAdapter::Emit" if field.type.is_secret() else "EmitValue"
        source += '    sink.Field("%s");\n    %s(native.%s, sink);\n' % (field.name, emit, field.name)
    if not decl.fields:
        source += "    (void)native;\n"
    source += "    sink.EndStruct();\n}\n\n"
    source += ("bool TypeAdapter<%s>::FromValue(const Data::DataValuePtr& value, %s& native, AdaptContext& context)\n{\n"
               % (cpp_name, cpp_name))
    names = ", ".join('"%s"' % f.name for f in decl.fields)
    source += "    StructReader reader(value, %s::kTypeId, {%s}, context);\n" % (cpp_name, names)
    reads = "".join(' &&\n           reader.Get("%s", native.%s)' % (f.name, f.name) for f in decl.fields)
    if not decl.fields:
        source += "    (void)native;\n"
    source += "    return reader.Ok()%s;\n}\n\n" % reads
    source += namespace_close(["Lumo", "Bindings"])
    return header, source


def enum_header(decl):
    header = BANNER % decl.source + "#pragma once\n\n#include <array>\n#include <string_view>\n\n"
    header += '#include "platform/lumo/TypeAdapter.hpp"\n\n' + namespace_open(decl.namespace) + "\n"
    header += comment(decl.doc) + "enum class %s {\n" % decl.name
    for value, doc in decl.values:
        header += comment(doc, "    ") + "    %s,\n" % value
    header += "};\n\n" + namespace_close(decl.namespace) + "\n" + namespace_open(["Lumo", "Bindings"]) + "\n"
    header += "template <>\nstruct EnumTraits<%s> {\n" % decl.cpp_name()
    header += '    static constexpr std::string_view kTypeId = "%s";\n' % decl.id
    header += "    static constexpr std::array<std::string_view, %d> kNames = {%s};\n};\n\n" % (
        len(decl.values), ", ".join('"%s"' % v for v, _ in decl.values))
    header += namespace_close(["Lumo", "Bindings"])
    return header


def service_files(service):
    types = [p.type for o in service.operations for p in o.params] + [o.returns for o in service.operations]
    std, local = includes_for(types)
    std.update(["<memory>", "<string_view>"])
    local.update(["platform/lumo/AsyncActivation.hpp", "platform/lumo/AsyncApiInterface.hpp",
                  "platform/lumo/AsyncResult.hpp", "platform/lumo/Localizer.hpp"])
    parts = service.cpp_parts
    header = BANNER % service.source + "#pragma once\n\n" + include_block(std, local) + "\n"
    header += comment(service.doc) + namespace_open(parts) + "\n"
    header += 'inline constexpr std::string_view kServiceId = "%s";\n\n' % service.id
    header += "// Operation ids on the wire.\nstruct Operations {\n"
    for op in service.operations:
        header += '    static constexpr std::string_view k%s = "%s";\n' % (op.name, op.id)
    header += "};\n\n"
    header += "// Names of the operations as they appear in task records and claims.\n"
    for op in service.operations:
        full = service.id + "." + op.id
        header += "struct %sMethod {\n" % op.name
        header += '    static constexpr std::string_view methodName = "%s";\n' % full
        if op.kind == "task":
            header += '    static constexpr std::string_view taskMethodName = "%s";\n' % full
        header += "};\n"
    header += "\n// What an implementation of the service derives from.\nclass AsyncServiceInterface {\npublic:\n"
    header += "    virtual ~AsyncServiceInterface() = default;\n"
    for op in service.operations:
        header += "\n" + comment(op.doc, "    ")
        args = ["std::shared_ptr<::Lumo::Core::AsyncActivation> activation"]
        args += ["%s %s" % (p.type.cpp(), p.name) for p in op.params]
        args.append("::Lumo::Core::AsyncResult<%s> result" % op.result_cpp())
        header += "    virtual void %s(%s) = 0;\n" % (op.name, ", ".join(args))
    header += "};\n\nclass AsyncServiceBinder {\npublic:\n"
    header += ("    // The provider-facing interface of `impl`: decodes the parameters of each call (a bad\n"
               "    // or unknown parameter answers InvalidArgument without calling `impl`), calls `impl`\n"
               "    // and encodes its output.\n")
    header += ("    static ::Lumo::Provider::AsyncApiInterfacePtr BindImplementation(\n"
               "        std::shared_ptr<AsyncServiceInterface> impl, std::shared_ptr<::Lumo::L10n::Localizer> localizer);\n")
    header += "};\n\n" + namespace_close(parts)

    source = BANNER % service.source + '#include "%s"\n\n' % service.header_path()
    source += '#include "platform/lumo/AsyncServiceBinderBase.hpp"\n\n' + namespace_open(parts) + "\n"
    source += ("::Lumo::Provider::AsyncApiInterfacePtr AsyncServiceBinder::BindImplementation(\n"
               "    std::shared_ptr<AsyncServiceInterface> impl, std::shared_ptr<::Lumo::L10n::Localizer> localizer)\n{\n")
    source += "    using Binder = ::Lumo::Bindings::ServiceBinder<AsyncServiceInterface>;\n"
    source += "    return Binder::Create(kServiceId, std::move(impl), std::move(localizer), {\n"
    for op in service.operations:
        names = ", ".join('"%s"' % p.name for p in op.params)
        source += "        {Operations::k%s, {%s}, [](AsyncServiceInterface& impl, ::Lumo::Bindings::BoundCall& call) {\n" % (
            op.name, names)
        for p in op.params:
            source += "             %s %s{};\n" % (p.type.cpp(), p.name)
        args = ", ".join(["call.Activation()"] + ["std::move(%s)" % p.name for p in op.params] +
                         ["call.Result<%s>()" % op.result_cpp()])
        if op.params:
            reads = " && ".join('call.Read("%s", %s)' % (p.name, p.name) for p in op.params)
            source += "             if (%s) {\n                 impl.%s(%s);\n             }\n" % (reads, op.name, args)
        else:
            source += "             impl.%s(%s);\n" % (op.name, args)
        source += "         }},\n"
    source += "    });\n}\n\n" + namespace_close(parts)
    return header, source


def cpp_outputs(model):
    """(relative path, text) of every generated C++ file."""
    files = []
    for decl in model.structs():
        if decl.header:
            continue
        header, source = struct_files(decl)
        base = decl.header_path()[:-4]
        files += [(base + ".hpp", header), (base + ".cpp", source)]
    for decl in model.enums():
        files.append((decl.header_path(), enum_header(decl)))
    for service in model.services:
        header, source = service_files(service)
        base = service.header_path()[:-4]
        files += [(base + ".hpp", header), (base + ".cpp", source)]
    return files


# ---------------------------------------------------------------------------- metadata

def cli_file(model, component, name):
    namespaces, commands = [], []
    for service in model.services:
        if service.component != component:
            continue
        namespaces.append({"path": service.cli_path(), "description": service.doc})
        for op in service.operations:
            commands.append({
                "path": service.cli_path() + "." + op.id,
                "service": service.id,
                "operation": op.id,
                "description": op.doc,
                "options": [{"name": p.name, "field": p.name, "type": p.type.text(),
                             "required": not p.type.is_optional(), "description": p.doc} for p in op.params],
            })
    return {"component": name, "namespaces": namespaces, "commands": commands}


def metamodel_file(model, component, name):
    services = []
    for service in model.services:
        if service.component != component:
            continue
        services.append({"id": service.id, "documentation": service.doc, "operations": [{
            "id": op.id, "documentation": op.doc,
            "params": [{"name": p.name, "type": p.type.text(), "documentation": p.doc} for p in op.params],
            "output": op.returns.text(), "errors": op.errors, "task": op.kind == "task",
        } for op in service.operations]})
    structures = [{"id": s.id, "documentation": s.doc,
                   "fields": [{"name": f.name, "type": f.type.text(), "documentation": f.doc} for f in s.fields]}
                  for s in model.structs(component)]
    enumerations = [{"id": e.id, "documentation": e.doc, "values": [v for v, _ in e.values]}
                    for e in model.enums(component)]
    return {"component": name, "services": services, "structures": structures, "enumerations": enumerations}


def authentication_file(model):
    daemon = [s for s in model.services if s.component == "settings"]
    framework = [s.id for s in model.services if s.component == "lumo_std"]
    return {
        "component": "settings_lumo_authentication",
        "schemes": [{"id": "user_pass", "kind": "user_pass"}, {"id": "token", "kind": "bearer_token"}],
        "services": [{"id": s.id, "schemes": ["user_pass", "token"]} for s in daemon],
        "authorization": {"anonymous": framework},
    }


def authorization_file(model):
    rules = {}
    for service in model.services:
        if service.component != "settings":
            continue
        rules[service.id] = [READ_ENTITLEMENT]
        # Every operation gets its own rule, so that a rule never depends on the default.
        for op in service.operations:
            rules[service.id + "." + op.id] = [READ_ENTITLEMENT if op.kind == "read" else MODIFY_ENTITLEMENT]
    return {"authorization": {"rules": rules}}


def metadata_outputs(model):
    return [
        ("metadata/hostprefd_lumo_cli.json", cli_file(model, "settings", "settings")),
        ("metadata/lumo_common_cli.json", cli_file(model, "lumo_std", "lumo_std")),
        ("metadata/hostprefd_lumo_metamodel.json", metamodel_file(model, "settings", "settings")),
        ("metadata/lumo_common_metamodel.json", metamodel_file(model, "lumo_std", "lumo_std")),
        ("metadata/hostprefd_lumo_authentication.json", authentication_file(model)),
        ("metadata/hostprefd_lumo_authorization.json", authorization_file(model)),
    ]


# ------------------------------------------------------------------------------ client

CLIENT_SOURCE = "client/MetamodelText.cpp"


def client_source(metadata):
    """The metamodel files as text constants of hostprefctl, whose commands are built from them.

    The client carries the metamodel instead of reading the installed files, so that its
    commands and help work on any machine; the text is the same model the daemon serves."""
    documents = [content for path, content in metadata if path.endswith("_metamodel.json")]
    texts = [json.dumps(document, separators=(",", ":")) for document in documents]
    if any(')json"' in text for text in texts):
        raise IdlError("a documentation text contains the raw string delimiter )json\"")
    body = "".join('    R"json(%s)json",\n' % text for text in texts)
    return ("// Generated by idl/generate.py from idl/*.idl; do not edit.\n"
            '#include "client/MetamodelText.hpp"\n\n'
            "namespace HostprefCtl {\n\n"
            "const std::vector<std::string_view>& MetamodelTexts()\n{\n"
            "    static const std::vector<std::string_view> texts = {\n%s    };\n"
            "    return texts;\n}\n\n"
            "}  // namespace HostprefCtl\n" % body)


# -------------------------------------------------------------------------------- docs

def docs(model):
    out = []
    for service in model.services:
        if service.component != "settings":
            continue
        out.append("#### `%s` (\"%s\")\n\n%s\n" % ("::".join(service.cpp_parts), service.id, service.doc))
        out.append("| Operation | Parameters | Result | Kind |\n|---|---|---|---|")
        for op in service.operations:
            params = "<br>".join("`%s`: `%s`" % (p.name, p.type.text()) for p in op.params) or "none"
            result = "task id (string)" if op.kind == "task" else "`%s`" % op.returns.text()
            out.append('| "%s": %s | %s | %s | %s |' % (op.id, op.doc, params, result, op.kind))
        out.append("")
    return "\n".join(out) + "\n"


def write_if_changed(path, text):
    """Keeps the timestamp of an unchanged file, so that a change to one type rebuilds little."""
    if os.path.exists(path):
        with open(path, encoding="utf-8") as handle:
            if handle.read() == text:
                return
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as handle:
        handle.write(text)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out")
    parser.add_argument("--list-sources", action="store_true")
    parser.add_argument("--docs", action="store_true")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    try:
        model = load(args.files)
    except IdlError as error:
        print("generate.py: %s" % error, file=sys.stderr)
        return 1
    if args.docs:
        sys.stdout.write(docs(model))
        return 0
    cpp = cpp_outputs(model)
    if args.list_sources:
        for path, _ in cpp:
            if path.endswith(".cpp"):
                print(os.path.join(args.out, path[len("generated/"):]))
        return 0
    for path, text in cpp:
        write_if_changed(os.path.join(args.out, path[len("generated/"):]), text)
    metadata = metadata_outputs(model)
    for path, content in metadata:
        write_if_changed(os.path.join(args.out, path), json.dumps(content, indent=1) + "\n")
    try:
        write_if_changed(os.path.join(args.out, CLIENT_SOURCE), client_source(metadata))
    except IdlError as error:
        print("generate.py: %s" % error, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
