# Corrects the parameter table of a widl-generated proxy file (widl 7.0, -Oif).
#
# An [out] pointer to a string pointer, or to an array of them, that the stub keeps on its own
# stack ("srv size" in the flags) must name the top-level reference pointer in its type offset;
# widl names the string pointer or the array below it instead. rpcrt4 then marshals a null
# string, so a client of IOPCServer::GetErrorString or IOPCGroupStateMgt::GetState receives no
# text. The bytes on the wire are those of the corrected table, which are the standard ones.
#
#   awk -f fix_out_pointers.awk generated_p.c generated_p.c > fixed_p.c

function hex(text,    value, i) {
    value = 0
    for (i = 3; i <= length(text); i++)
        value = value * 16 + index("0123456789abcdef", tolower(substr(text, i, 1))) - 1
    return value
}

# First pass: the type format entries that are pointers, and where each one points.
NR == FNR {
    if ($0 ~ /__MIDL_TypeFormatString =/) types = 1
    if (!types) next
    if (match($0, /^\/\* [0-9]+ /)) {
        entry = substr($0, 4, RLENGTH - 4) + 0
        pending = 1
        next
    }
    if (pending == 1) {
        kind[entry] = ($0 ~ /FC_RP \[allocated_on_stack\]/) ? "RP" : ($0 ~ /FC_OP/) ? "OP" : "other"
        if ($0 ~ /\[simple_pointer\]/) target[entry] = entry + 2
        pending = 2
        next
    }
    if (pending == 2 && match($0, /Offset= -?[0-9]+ \([0-9]+\)/)) {
        text = substr($0, RSTART, RLENGTH)
        sub(/.*\(/, "", text)
        sub(/\)/, "", text)
        target[entry] = text + 0
    } else if (pending == 2 && match($0, /NdrFcShort\(0x[0-9a-fA-F]+\)/)) {
        # An offset without its comment counts from where it is written, two bytes in.
        step = hex(substr($0, RSTART + 11, RLENGTH - 12))
        target[entry] = entry + 2 + (step >= 32768 ? step - 65536 : step)
    }
    pending = 0
    next
}

# Between the passes: the stack-allocated reference pointer above each pointee.
FNR == 1 {
    for (rp in kind) {
        if (kind[rp] != "RP") continue
        below = target[rp]
        owner[below] = rp
        if (kind[below] == "OP") owner[target[below]] = rp
    }
}

# Second pass: the file, with the wrong type offsets replaced.
{
    if ($0 ~ /flags: .*srv size/ && $0 !~ /simple ref/ && $0 !~ /base type/) check = 3
    else if (check > 0) check--
    if (check == 1 && match($0, /type offset = [0-9]+/)) {
        offset = substr($0, RSTART + 14, RLENGTH - 14) + 0
        if (kind[offset] != "RP" && (offset in owner)) {
            fixed = owner[offset]
            printf "        NdrFcShort(0x%x),\t/* type offset = %d */\n", fixed, fixed
            next
        }
    }
    print
}
