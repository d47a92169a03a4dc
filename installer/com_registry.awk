# Turns what the programs' own registration wrote into a Wine prefix into WiX registry entries,
# so that the package writes exactly those keys and uninstalling removes exactly them:
#   awk -v stage='C:\\stage\\' -v searches=WXI -v conditions=SQL [-v standard=CLSID] \
#       -f com_registry.awk BEFORE AFTER
# BEFORE and AFTER are the prefix's system.reg before and after the registration. Each value of
# a key under HKEY_CLASSES_ROOT that AFTER adds becomes a RegistryValue (a path of a file in the
# stage folder becomes that file's [#Id], quoted for a local server); a new key without values
# becomes a "*" entry. Standard output gets a WiX fragment with one component per class, ProgID
# or interface, in the component group ComRegistration.
#
# An Interface key may already belong to another product's proxy/stub DLL. Its component is
# installed only where no ProxyStubClsid32 names another class, so uninstalling never removes
# another product's keys: WXI gets the RegistrySearch of each ProxyStubClsid32 (a WiX include
# for the Product), SQL the msibuild query of each component's condition (wixl writes none).
# Likewise the standard class CLSID (the OPC server list, which most machines with OPC software
# already have from another product): its class, its ProgIDs and the AppIDs are installed only
# where no local server is registered for it, or where the one registered is ours.

function fail(message) {
    print "com_registry.awk: " message > "/dev/stderr"
    failed = 1
    exit 1
}

# A quoted string of a Wine registry file, without its quotes and escapes.
function unquote(text,    out, i, c) {
    out = ""
    for (i = 2; i < length(text); ++i) {
        c = substr(text, i, 1)
        if (c == "\\") c = substr(text, ++i, 1)
        out = out c
    }
    return out
}

function xml(text) {
    gsub(/&/, "\\&amp;", text)
    gsub(/</, "\\&lt;", text)
    gsub(/>/, "\\&gt;", text)
    gsub(/"/, "\\&quot;", text)
    return text
}

# An MSI identifier: letters, digits, underscores and periods; a GUID's braces are left out.
function identifier(text) {
    gsub(/[{}]/, "", text)
    gsub(/[^A-Za-z0-9_.]/, "_", text)
    return text
}

# The component a key belongs to: CLSID\{x} and Interface\{x} with their subkeys, otherwise the
# key's first name (a ProgID).
function owner(key,    parts, n) {
    n = split(key, parts, "\\")
    if ((parts[1] == "CLSID" || parts[1] == "Interface") && n > 1) return parts[1] "\\" parts[2]
    return parts[1]
}

# A staged file's path is replaced by the reference to the installed file. A local server's
# command line quotes it: the installed path has blanks (Program Files).
function installed(key, data,    name, file) {
    if (tolower(substr(data, 1, length(stage))) != tolower(stage)) return data
    name = substr(data, length(stage) + 1)
    if (name == "" || index(name, "\\")) fail("a path into a folder of the stage: " data)
    file = "[#" identifier(name) "]"
    return key ~ /\\LocalServer32$/ ? "\"" file "\"" : file
}

BEGIN { classes = "Software\\\\Classes\\\\" }

# Section headers: [Software\\Classes\\KEY] TIME
/^\[/ {
    key = ""
    header = $0
    sub(/\] [0-9]+$/, "", header)
    if (substr(header, 2, length(classes)) != classes) next
    key = substr(header, 2 + length(classes))
    gsub(/\\\\/, "\\", key)
    # Wine keeps its own keys up to date as it runs: only the keys the registration made count.
    if (FILENAME == ARGV[1]) { hadKey[key] = 1; key = "" }
    else if (key in hadKey) key = ""
    else keyOrder[++keys] = key
    next
}

key == "" || /^#/ || /^$/ { next }

# Values: @="data" or "name"="data"; ours are all strings.
{
    if (substr($0, 1, 1) == "@") { name = ""; rest = substr($0, 2) }
    else if (match($0, /^"([^"\\]|\\.)*"=/)) {
        name = unquote(substr($0, 1, RLENGTH - 1))
        rest = substr($0, RLENGTH)
    } else next
    if (substr(rest, 1, 2) != "=\"") fail("a value that is not a string, in " key ": " $0)
    valued[key] = 1
    entry[++entries] = key SUBSEP name SUBSEP unquote(substr(rest, 2))
}

# A value; the name "*" with no data makes the key at install and removes it at uninstall.
function emit(key, name, data, isKeyPath) {
    printf "      <RegistryValue Root=\"HKCR\" Key=\"%s\"", xml(key)
    if (name != "") printf " Name=\"%s\"", xml(name)
    printf " Type=\"string\" Value=\"%s\"", xml(data)
    if (isKeyPath) printf " KeyPath=\"yes\""
    print "/>"
}

END {
    if (failed) exit 1
    if (entries == 0) fail("the registration wrote nothing under HKEY_CLASSES_ROOT")
    for (i = 1; i <= entries; ++i) {
        split(entry[i], field, SUBSEP)
        group = owner(field[1])
        if (!(group in members)) groupOrder[++groups] = group
        members[group] = members[group] SUBSEP i
        # A ProgID's class, which tells the ProgIDs of the standard class.
        if (field[1] == group "\\CLSID" && field[2] == "") classOf[group] = field[3]
        if (standard != "" && toupper(field[1]) == toupper("CLSID\\" standard "\\LocalServer32")) {
            standardProgram = field[3]
            sub(/.*\\/, "", standardProgram)
        }
    }
    if (standard != "" && standardProgram == "") fail("no local server of ours for " standard)
    for (i = 1; i <= keys; ++i) {
        if (keyOrder[i] in valued) continue
        group = owner(keyOrder[i])
        if (!(group in members)) fail("a new key without values in a new tree: " keyOrder[i])
        empties[group] = empties[group] SUBSEP keyOrder[i]
    }

    print "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
    print "<!-- Generated by installer/com_registry.awk from the programs' own registration. -->"
    print "<?xml version=\"1.0\" encoding=\"utf-8\"?>" > searches
    print "<!-- Generated by installer/com_registry.awk: the owners of the Interface keys. -->" > searches
    print "<Include>" > searches
    if (standard != "") {
        print "  <Property Id=\"STANDARD_SERVER\">" > searches
        printf "    <RegistrySearch Id=\"Search_STANDARD_SERVER\" Root=\"HKCR\" Key=\"CLSID\\%s\\LocalServer32\"", \
               xml(standard) > searches
        print " Name=\"\" Type=\"raw\" Win64=\"yes\"/>" > searches
        print "  </Property>" > searches
    }
    print "<Wix xmlns=\"http://schemas.microsoft.com/wix/2006/wi\">"
    print "<Fragment>"
    for (g = 1; g <= groups; ++g) {
        group = groupOrder[g]
        component = "Reg_" identifier(group)
        split(group, parts, "\\")
        shared = parts[1] == "Interface"
        standardGroup = standard != "" && (toupper(group) == toupper("CLSID\\" standard) || \
                        group == "AppID" || toupper(classOf[group]) == toupper(standard))
        if (shared) {
            property = "PROXYSTUB_" identifier(parts[2])
            printf "  <Property Id=\"%s\">\n", property > searches
            printf "    <RegistrySearch Id=\"Search_%s\" Root=\"HKCR\" Key=\"%s\\ProxyStubClsid32\"", \
                   property, xml(group) > searches
            print " Name=\"\" Type=\"raw\" Win64=\"yes\"/>" > searches
            print "  </Property>" > searches
            ours = ""
        }
        print "  <DirectoryRef Id=\"INSTALLDIR\">"
        printf "    <Component Id=\"%s\" Guid=\"*\" Win64=\"yes\">\n", component
        n = split(substr(members[group], 2), rows, SUBSEP)
        for (m = 1; m <= n; ++m) {
            split(entry[rows[m]], field, SUBSEP)
            if (shared && field[1] == group "\\ProxyStubClsid32" && field[2] == "") ours = field[3]
            emit(field[1], field[2], installed(field[1], field[3]), m == 1)
        }
        e = split(substr(empties[group], 2), empty, SUBSEP)
        for (m = 1; m <= e; ++m) emit(empty[m], "*", "", 0)
        print "    </Component>"
        print "  </DirectoryRef>"
        componentList[g] = component
        if (standardGroup)
            printf "UPDATE `Component` SET `Condition` = 'NOT STANDARD_SERVER OR STANDARD_SERVER ~>< \"%s\"' WHERE `Component` = '%s'\n", \
                   standardProgram, component > conditions
        if (shared) {
            if (ours == "") fail(group " has no ProxyStubClsid32 of ours")
            printf "UPDATE `Component` SET `Condition` = 'NOT %s OR %s ~= \"%s\"' WHERE `Component` = '%s'\n", \
                   property, property, ours, component > conditions
        }
    }
    print "</Include>" > searches
    print "</Fragment>"
    print "<Fragment>"
    print "  <ComponentGroup Id=\"ComRegistration\">"
    for (g = 1; g <= groups; ++g) printf "    <ComponentRef Id=\"%s\"/>\n", componentList[g]
    print "  </ComponentGroup>"
    print "</Fragment>"
    print "</Wix>"
}
