#!/usr/bin/env python3
"""Writes share/lib/standard.lib, the residue library Quilter reads at start-up.

Geometry comes from internal coordinates with standard bond lengths and
angles (sp3 109.5 degrees, sp2 120, five-ring 108); the backbone is built in
an alpha-helical conformation (phi -60, psi -45). Pseudo atoms sit at the
mean position of the protons they stand for. Chemical shift statistics are
database averages (mean and spread, ppm) of the backbone and beta atoms.

Run from the source root:  python3 tools/mklib.py > share/lib/standard.lib
"""
import math

ATOMTYPES = [  # name, radius, hydrogen-bond class, element
    ("HN", 1.00, 1, 1), ("HC", 1.00, 0, 1), ("HS", 1.00, 1, 1),
    ("CA", 1.70, 0, 6), ("C_ALI", 1.70, 0, 6), ("C_ARO", 1.70, 0, 6),
    ("C_COO", 1.70, 0, 6), ("C", 1.70, 0, 6), ("N_AMI", 1.55, 2, 7),
    ("N_ARO", 1.55, 2, 7), ("N", 1.55, 2, 7), ("O", 1.50, 3, 8),
    ("O_SID", 1.50, 3, 8), ("S", 1.80, 0, 16), ("PSEUD", 0.00, 0, 0),
    # Proline's ring nitrogen carries no proton: no amide signal, so it is no
    # amide nitrogen for the pair analysis.
    ("N_IMI", 1.55, 0, 7),
]
TYPENO = {t[0]: i + 1 for i, t in enumerate(ATOMTYPES)}


def v_sub(a, b): return [a[i] - b[i] for i in range(3)]
def v_add(a, b): return [a[i] + b[i] for i in range(3)]
def v_mul(a, s): return [a[i] * s for i in range(3)]
def v_dot(a, b): return sum(a[i] * b[i] for i in range(3))
def v_cross(a, b): return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
def v_unit(a): return v_mul(a, 1.0 / math.sqrt(v_dot(a, a)))


def place(a, b, c, bond, angle, tors):
    """Position of X bonded to a, with angle X-a-b and torsion X-a-b-c."""
    bc = v_unit(v_sub(b, c))
    ab = v_unit(v_sub(a, b))
    n = v_unit(v_cross(v_sub(b, c), ab))
    m = v_cross(n, ab)
    th, ph = math.radians(angle), math.radians(tors)
    d = [-bond * math.cos(th), bond * math.sin(th) * math.cos(ph), bond * math.sin(th) * math.sin(ph)]
    return v_add(a, v_add(v_mul(ab, d[0]), v_add(v_mul(m, d[1]), v_mul(n, d[2]))))


def torsion(p0, p1, p2, p3):
    b0, b1, b2 = v_sub(p0, p1), v_sub(p2, p1), v_sub(p3, p2)
    b1u = v_unit(b1)
    v = v_sub(b0, v_mul(b1u, v_dot(b0, b1u)))
    w = v_sub(b2, v_mul(b1u, v_dot(b2, b1u)))
    return math.degrees(math.atan2(v_dot(v_cross(b1u, v), w), v_dot(v, w)))


# Chirality of L residues: torsion CB-CA-N-C of ideal L-alanine.
_N, _CA, _C, _CB = [-0.966, 0.493, 1.500], [0.257, 0.418, 0.692], [-0.094, 0.017, -0.716], [1.204, -0.620, 1.296]
TCB = torsion(_CB, _CA, _N, _C)
THA = -TCB

BOND = {"CC": 1.53, "CH": 1.09, "NH": 1.01, "OH": 0.96, "SH": 1.34, "CS": 1.81, "CN": 1.47,
        "CO": 1.43, "C=O": 1.24, "AR": 1.39, "CN2": 1.33}


def H(name, p, g, gg, tors, kind="CH", typ="HC"):
    ang = 109.5 if kind in ("CH", "SH", "OH") else 120.0
    return (name, typ, p, g, gg, BOND[kind], ang, tors)


def ch2(names, y, p, g, tau):
    return [H(names[0], y, p, g, tau + 120), H(names[1], y, p, g, tau - 120)]


def ch3(names, y, p, g):
    return [H(names[i], y, p, g, 60 + 120 * i) for i in range(3)]


def cb(typ="C_ALI"):
    return ("CB", typ, "CA", "N", "C", BOND["CC"], 110.5, TCB)


def X(name, typ, p, g, gg, kind, ang, tors):
    return (name, typ, p, g, gg, BOND[kind], ang, tors)


def ring6(names, first, p, g, chi2):
    """Phenyl ring from first (attached to p): names = CD1 HD1 CE1 HE1 CZ HZ CE2 HE2 CD2 HD2."""
    cd1, hd1, ce1, he1, cz, hz, ce2, he2, cd2, hd2 = names
    e = [X(cd1, "C_ARO", first, p, g, "AR", 120, chi2),
         H(hd1, cd1, first, p, 0, "CH", "HC"),
         X(ce1, "C_ARO", cd1, first, p, "AR", 120, 180),
         H(he1, ce1, cd1, first, 180, "CH", "HC"),
         X(cz, "C_ARO", ce1, cd1, first, "AR", 120, 0)]
    e.append(hz)  # substituent on CZ (proton or hydroxyl), built by the caller
    e += [X(ce2, "C_ARO", cz, ce1, cd1, "AR", 120, 0),
          H(he2, ce2, cz, ce1, 180, "CH", "HC"),
          X(cd2, "C_ARO", ce2, cz, ce1, "AR", 120, 0),
          H(hd2, cd2, ce2, cz, 180, "CH", "HC")]
    for i, a in enumerate(e):
        if a[0].startswith("H") and a[6] == 109.5:
            e[i] = a[:6] + (120.0,) + a[7:]
    return e


def res_ala():
    return dict(side=[cb()] + ch3(["HB1", "HB2", "HB3"], "CB", "CA", "N"),
                pseudo=[("QB", ["HB1", "HB2", "HB3"])], chi=[])


def methylene_chain(chain, types, chis):
    """Side chain CB-CG-CD... with two protons on each listed carbon."""
    side = [cb()]
    prev = ["CB", "CA", "N"]
    for i, (atom, typ) in enumerate(zip(chain[1:], types[1:])):
        kind = "CC" if typ.startswith("C") and types[i].startswith("C") else "CN"
        side.append(X(atom, typ, prev[0], prev[1], prev[2], kind, 109.5, chis[i]))
        prev = [atom] + prev[:2]
    return side


def chis_of(chain):
    full = ["N", "CA"] + chain
    return [("CHI%d" % (i + 1), full[i], full[i + 1], full[i + 2], full[i + 3]) for i in range(len(chain) - 1)]


def res_generic(chain, types, hyd, pseudo, tors, extra=None, rings=None, nchi=None):
    side = methylene_chain(chain, types, tors)
    full = ["N", "CA"] + chain
    out = []
    for a in side:
        out.append(a)
        nm = a[0]
        if nm in hyd:
            i = full.index(nm)
            p, g = full[i - 1], full[i - 2]
            nxt = tors[i - 2] if i - 2 < len(tors) and i + 1 < len(full) else 180.0
            hs = hyd[nm]
            if len(hs) == 2:
                out += ch2(hs, nm, p, g, nxt)
            elif len(hs) == 3:
                out += ch3(hs, nm, p, g)
            else:
                out.append(H(hs[0], nm, p, g, nxt + 120))
    if extra:
        out += extra
    chi = chis_of(chain)
    if nchi is not None:
        chi = chi[:nchi]
    return dict(side=out, pseudo=pseudo, chi=chi, rings=rings or [])


def residues():
    R = {}
    R["ALA"] = res_ala()
    R["ARG"] = res_generic(
        ["CB", "CG", "CD", "NE"], ["C_ALI", "C_ALI", "C_ALI", "N_AMI"],
        {"CB": ["HB2", "HB3"], "CG": ["HG2", "HG3"], "CD": ["HD2", "HD3"]},
        [("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"]), ("QD", ["HD2", "HD3"]),
         ("QH1", ["HH11", "HH12"]), ("QH2", ["HH21", "HH22"])],
        [-60, 180, 180],
        extra=[H("HE", "NE", "CD", "CG", 0, "NH", "HN"),
               X("CZ", "C_ARO", "NE", "CD", "CG", "CN2", 124, 180),
               X("NH1", "N_AMI", "CZ", "NE", "CD", "CN2", 120, 0),
               H("HH11", "NH1", "CZ", "NE", 0, "NH", "HN"),
               H("HH12", "NH1", "CZ", "NE", 180, "NH", "HN"),
               X("NH2", "N_AMI", "CZ", "NE", "CD", "CN2", 120, 180),
               H("HH21", "NH2", "CZ", "NE", 0, "NH", "HN"),
               H("HH22", "NH2", "CZ", "NE", 180, "NH", "HN")])
    R["ARG"]["chi"] += [("CHI4", "CG", "CD", "NE", "CZ")]

    def amide_or_acid(chain_hyd, last, amide, chis):
        # CG (ASN/ASP) or CD (GLN/GLU) carbonyl carbon with OD1/OD2 or OE1/NE2.
        chain = ["CB"] + (["CG"] if last == "CD" else []) + [last]
        types = ["C_ALI"] * (len(chain) - 1) + ["C_COO"]
        o = "O" + ("D" if last == "CG" else "E")
        p, g = chain[-2], (chain[-3] if len(chain) > 2 else "CA")
        ex = [X(o + "1", "O_SID", last, p, g, "C=O", 120, chis[-1] if len(chis) >= len(chain) else -60)]
        n2 = ("N" if amide else "O") + o[1] + "2"
        ex.append(X(n2, "N_AMI" if amide else "O_SID", last, p, g, "CN2" if amide else "C=O", 120,
                    (chis[-1] if len(chis) >= len(chain) else -60) + 180))
        if amide:
            h = "H" + o[1] + "2"
            ex += [H(h + "1", n2, last, o + "1", 0, "NH", "HN"), H(h + "2", n2, last, o + "1", 180, "NH", "HN")]
        r = res_generic(chain, types, chain_hyd, [], chis[:len(chain) - 1], extra=ex)
        r["chi"].append(("CHI%d" % len(chain), chain[-2] if len(chain) > 2 else "CA",
                         chain[-2] if False else (chain[-3] if len(chain) > 2 else "CA"),
                         last, o + "1"))
        # Fix the last chi: CA CB CG OD1 or CB CG CD OE1.
        full = ["N", "CA"] + chain
        r["chi"][-1] = ("CHI%d" % len(chain), full[-3], full[-2], full[-1], o + "1")
        return r

    R["ASN"] = amide_or_acid({"CB": ["HB2", "HB3"]}, "CG", True, [-60, -60])
    R["ASN"]["pseudo"] = [("QB", ["HB2", "HB3"]), ("QD2", ["HD21", "HD22"])]
    R["ASP"] = amide_or_acid({"CB": ["HB2", "HB3"]}, "CG", False, [-60, -60])
    R["ASP"]["pseudo"] = [("QB", ["HB2", "HB3"])]
    R["CYS"] = res_generic(["CB", "SG"], ["C_ALI", "S"], {"CB": ["HB2", "HB3"]}, [("QB", ["HB2", "HB3"])],
                           [-60], extra=[H("HG", "SG", "CB", "CA", 180, "SH", "HS")])
    R["CYS"]["chi"].append(("CHI2", "CA", "CB", "SG", "HG"))
    for a in R["CYS"]["side"]:
        pass
    R["CYSS"] = res_generic(["CB", "SG"], ["C_ALI", "S"], {"CB": ["HB2", "HB3"]}, [("QB", ["HB2", "HB3"])], [-60])
    R["GLN"] = amide_or_acid({"CB": ["HB2", "HB3"], "CG": ["HG2", "HG3"]}, "CD", True, [-60, 180, -60])
    R["GLN"]["pseudo"] = [("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"]), ("QE2", ["HE21", "HE22"])]
    R["GLU"] = amide_or_acid({"CB": ["HB2", "HB3"], "CG": ["HG2", "HG3"]}, "CD", False, [-60, 180, -60])
    R["GLU"]["pseudo"] = [("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"])]
    R["GLY"] = dict(side=[], pseudo=[("QA", ["HA2", "HA3"])], chi=[])
    his_ring = [X("CG", "C_ARO", "CB", "CA", "N", "CC", 114, -60),
                X("ND1", "N_ARO", "CG", "CB", "CA", "AR", 126, -90),
                H("HD1", "ND1", "CG", "CB", 0, "NH", "HN"),
                X("CE1", "C_ARO", "ND1", "CG", "CB", "AR", 108, 180),
                H("HE1", "CE1", "ND1", "CG", 180, "CH", "HC"),
                X("NE2", "N_ARO", "CE1", "ND1", "CG", "AR", 108, 0),
                H("HE2", "NE2", "CE1", "ND1", 180, "NH", "HN"),
                X("CD2", "C_ARO", "NE2", "CE1", "ND1", "AR", 108, 0),
                H("HD2", "CD2", "NE2", "CE1", 180, "CH", "HC")]
    R["HIS"] = dict(side=[cb()] + ch2(["HB2", "HB3"], "CB", "CA", "N", -60) + his_ring,
                    pseudo=[("QB", ["HB2", "HB3"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "ND1")],
                    rings=[("CD2", "CG")])
    R["ILE"] = dict(side=[cb(), H("HB", "CB", "CA", "N", 60 + 120),
                          X("CG2", "C_ALI", "CB", "CA", "N", "CC", 109.5, 60)]
                    + ch3(["HG21", "HG22", "HG23"], "CG2", "CB", "CA")
                    + [X("CG1", "C_ALI", "CB", "CA", "N", "CC", 109.5, -60)]
                    + ch2(["HG12", "HG13"], "CG1", "CB", "CA", 180)
                    + [X("CD1", "C_ALI", "CG1", "CB", "CA", "CC", 109.5, 180)]
                    + ch3(["HD11", "HD12", "HD13"], "CD1", "CG1", "CB"),
                    pseudo=[("QG2", ["HG21", "HG22", "HG23"]), ("QG1", ["HG12", "HG13"]),
                            ("QD1", ["HD11", "HD12", "HD13"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG1"), ("CHI2", "CA", "CB", "CG1", "CD1")])
    R["LEU"] = dict(side=[cb()] + ch2(["HB2", "HB3"], "CB", "CA", "N", -60)
                    + [X("CG", "C_ALI", "CB", "CA", "N", "CC", 116, -60), H("HG", "CG", "CB", "CA", 60),
                       X("CD1", "C_ALI", "CG", "CB", "CA", "CC", 109.5, 180)]
                    + ch3(["HD11", "HD12", "HD13"], "CD1", "CG", "CB")
                    + [X("CD2", "C_ALI", "CG", "CB", "CA", "CC", 109.5, -60)]
                    + ch3(["HD21", "HD22", "HD23"], "CD2", "CG", "CB"),
                    pseudo=[("QB", ["HB2", "HB3"]), ("QD1", ["HD11", "HD12", "HD13"]),
                            ("QD2", ["HD21", "HD22", "HD23"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "CD1")])
    R["LYS"] = res_generic(
        ["CB", "CG", "CD", "CE", "NZ"], ["C_ALI", "C_ALI", "C_ALI", "C_ALI", "N_AMI"],
        {"CB": ["HB2", "HB3"], "CG": ["HG2", "HG3"], "CD": ["HD2", "HD3"], "CE": ["HE2", "HE3"]},
        [("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"]), ("QD", ["HD2", "HD3"]), ("QE", ["HE2", "HE3"]),
         ("QZ", ["HZ1", "HZ2", "HZ3"])],
        [-60, 180, 180, 180],
        extra=[H("HZ%d" % (i + 1), "NZ", "CE", "CD", 60 + 120 * i, "NH", "HN") for i in range(3)])
    R["MET"] = res_generic(
        ["CB", "CG", "SD", "CE"], ["C_ALI", "C_ALI", "S", "C_ALI"],
        {"CB": ["HB2", "HB3"], "CG": ["HG2", "HG3"], "CE": ["HE1", "HE2", "HE3"]},
        [("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"]), ("QE", ["HE1", "HE2", "HE3"])], [-60, 180, 180])
    for r in ("MET",):
        side = R[r]["side"]
        for i, a in enumerate(side):
            if a[0] in ("SD",) or (a[0] == "CE"):
                side[i] = a[:5] + (BOND["CS"],) + a[6:]
    phe = ring6(["CD1", "HD1", "CE1", "HE1", "CZ", H("HZ", "CZ", "CE1", "CD1", 180, "CH", "HC"),
                 "CE2", "HE2", "CD2", "HD2"], "CG", "CB", "CA", 90)
    aro_head = [cb()] + ch2(["HB2", "HB3"], "CB", "CA", "N", -60) + [
        X("CG", "C_ARO", "CB", "CA", "N", "CC", 114, -60)]
    R["PHE"] = dict(side=aro_head + phe, pseudo=[("QB", ["HB2", "HB3"]), ("QD", ["HD1", "HD2"]),
                                                 ("QE", ["HE1", "HE2"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "CD1")],
                    rings=[("CD2", "CG")])
    R["PRO"] = dict(side=[cb()] + ch2(["HB2", "HB3"], "CB", "CA", "N", 30)
                    + [X("CG", "C_ALI", "CB", "CA", "N", "CC", 104, 30)]
                    + ch2(["HG2", "HG3"], "CG", "CB", "CA", -35)
                    + [X("CD", "C_ALI", "CG", "CB", "CA", "CC", 105, -35)]
                    + ch2(["HD2", "HD3"], "CD", "CG", "CB", 25),
                    pseudo=[("QB", ["HB2", "HB3"]), ("QG", ["HG2", "HG3"]), ("QD", ["HD2", "HD3"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "CD")],
                    rings=[("CD", "N")])
    R["SER"] = dict(side=[cb()] + ch2(["HB2", "HB3"], "CB", "CA", "N", -60)
                    + [X("OG", "O_SID", "CB", "CA", "N", "CO", 109.5, -60), H("HG", "OG", "CB", "CA", 180, "OH", "HN")],
                    pseudo=[("QB", ["HB2", "HB3"])],
                    chi=[("CHI1", "N", "CA", "CB", "OG"), ("CHI2", "CA", "CB", "OG", "HG")])
    R["THR"] = dict(side=[cb(), H("HB", "CB", "CA", "N", 180),
                          X("CG2", "C_ALI", "CB", "CA", "N", "CC", 109.5, 60)]
                    + ch3(["HG21", "HG22", "HG23"], "CG2", "CB", "CA")
                    + [X("OG1", "O_SID", "CB", "CA", "N", "CO", 109.5, -60),
                       H("HG1", "OG1", "CB", "CA", 180, "OH", "HN")],
                    pseudo=[("QG2", ["HG21", "HG22", "HG23"])],
                    chi=[("CHI1", "N", "CA", "CB", "OG1"), ("CHI2", "CA", "CB", "OG1", "HG1")])
    trp = [X("CD1", "C_ARO", "CG", "CB", "CA", "AR", 126, 90),
           H("HD1", "CD1", "CG", "CB", 0, "CH", "HC"),
           X("NE1", "N_ARO", "CD1", "CG", "CB", "AR", 108, 180),
           H("HE1", "NE1", "CD1", "CG", 180, "NH", "HN"),
           X("CE2", "C_ARO", "NE1", "CD1", "CG", "AR", 108, 0),
           X("CZ2", "C_ARO", "CE2", "NE1", "CD1", "AR", 132, 180),
           H("HZ2", "CZ2", "CE2", "NE1", 0, "CH", "HC"),
           X("CH2", "C_ARO", "CZ2", "CE2", "NE1", "AR", 120, 180),
           H("HH2", "CH2", "CZ2", "CE2", 180, "CH", "HC"),
           X("CZ3", "C_ARO", "CH2", "CZ2", "CE2", "AR", 120, 0),
           H("HZ3", "CZ3", "CH2", "CZ2", 180, "CH", "HC"),
           X("CE3", "C_ARO", "CZ3", "CH2", "CZ2", "AR", 120, 0),
           H("HE3", "CE3", "CZ3", "CH2", 180, "CH", "HC"),
           X("CD2", "C_ARO", "CE3", "CZ3", "CH2", "AR", 120, 0)]
    trp = [a[:6] + (120.0,) + a[7:] if a[0].startswith("H") else a for a in trp]
    R["TRP"] = dict(side=aro_head + trp, pseudo=[("QB", ["HB2", "HB3"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "CD1")],
                    rings=[("CD2", "CG"), ("CD2", "CE2")])
    tyr = ring6(["CD1", "HD1", "CE1", "HE1", "CZ", X("OH", "O_SID", "CZ", "CE1", "CD1", "CO", 120, 180),
                 "CE2", "HE2", "CD2", "HD2"], "CG", "CB", "CA", 90)
    tyr.insert(6, H("HH", "OH", "CZ", "CE1", 0, "OH", "HN"))
    R["TYR"] = dict(side=aro_head + tyr, pseudo=[("QB", ["HB2", "HB3"]), ("QD", ["HD1", "HD2"]),
                                                 ("QE", ["HE1", "HE2"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG"), ("CHI2", "CA", "CB", "CG", "CD1"),
                         ("CHI6", "CE1", "CZ", "OH", "HH")],
                    rings=[("CD2", "CG")])
    R["VAL"] = dict(side=[cb(), H("HB", "CB", "CA", "N", 60),
                          X("CG1", "C_ALI", "CB", "CA", "N", "CC", 109.5, 180)]
                    + ch3(["HG11", "HG12", "HG13"], "CG1", "CB", "CA")
                    + [X("CG2", "C_ALI", "CB", "CA", "N", "CC", 109.5, -60)]
                    + ch3(["HG21", "HG22", "HG23"], "CG2", "CB", "CA"),
                    pseudo=[("QG1", ["HG11", "HG12", "HG13"]), ("QG2", ["HG21", "HG22", "HG23"])],
                    chi=[("CHI1", "N", "CA", "CB", "CG1")])
    return R


ORDER = ["ALA", "ARG", "ASN", "ASP", "CYS", "CYSS", "GLN", "GLU", "GLY", "HIS", "ILE", "LEU", "LYS",
         "MET", "PHE", "PRO", "SER", "THR", "TRP", "TYR", "VAL"]

# Database averages: C, CA, CB, N, H, HA (ppm).
SHIFTS = {
    "ALA": (177.7, 53.1, 19.0, 123.2, 8.19, 4.26), "ARG": (176.4, 56.8, 30.7, 120.8, 8.24, 4.30),
    "ASN": (175.3, 53.5, 38.7, 118.9, 8.33, 4.67), "ASP": (176.4, 54.7, 40.9, 120.6, 8.30, 4.59),
    "CYS": (174.9, 58.3, 28.3, 120.0, 8.38, 4.65), "CYSS": (174.8, 55.5, 40.7, 119.6, 8.44, 4.80),
    "GLN": (176.3, 56.6, 29.2, 119.9, 8.21, 4.27), "GLU": (176.9, 57.4, 30.0, 120.7, 8.33, 4.25),
    "GLY": (173.9, 45.4, None, 109.7, 8.33, 3.93), "HIS": (175.2, 56.5, 30.2, 119.7, 8.25, 4.61),
    "ILE": (175.9, 61.6, 38.6, 121.5, 8.27, 4.17), "LEU": (177.0, 55.7, 42.3, 121.8, 8.22, 4.32),
    "LYS": (176.6, 56.9, 32.8, 121.0, 8.18, 4.26), "MET": (176.2, 56.1, 32.9, 120.1, 8.26, 4.40),
    "PHE": (175.5, 58.1, 40.0, 120.5, 8.36, 4.63), "PRO": (176.7, 63.3, 31.8, 134.4, None, 4.40),
    "SER": (174.6, 58.7, 63.8, 116.3, 8.28, 4.48), "THR": (174.5, 62.2, 69.6, 115.4, 8.24, 4.46),
    "TRP": (176.2, 57.7, 30.1, 121.6, 8.29, 4.68), "TYR": (175.4, 58.1, 39.3, 120.9, 8.30, 4.62),
    "VAL": (175.7, 62.5, 32.7, 121.1, 8.29, 4.18),
}
SPREAD = {"C": 2.0, "CA": 2.2, "CB": 2.0, "N": 3.8, "H": 0.65, "HA": 0.45}


def build(name, r):
    phi, psi = -60.0, -45.0
    xyz = {"N": [0.0, 0.0, 0.0], "CA": [1.458, 0.0, 0.0]}
    a = math.radians(111.2)
    xyz["C"] = [1.458 - 1.525 * math.cos(a), 1.525 * math.sin(a), 0.0]
    xyz["-C"] = place(xyz["N"], xyz["CA"], xyz["C"], 1.329, 121.7, phi)
    xyz["O"] = place(xyz["C"], xyz["CA"], xyz["N"], 1.231, 120.1, psi + 180)
    xyz["+N"] = place(xyz["C"], xyz["CA"], xyz["N"], 1.329, 116.2, psi)
    bonds = {"-C": ["N"], "N": ["-C"], "CA": ["N"], "C": ["CA", "O", "+N"], "O": ["C"], "+N": ["C"]}
    bonds["N"].append("CA")
    bonds["CA"].append("C")
    order = ["-C", "N"]
    if name != "PRO":
        xyz["H"] = place(xyz["N"], xyz["CA"], xyz["C"], 1.01, 119.0, phi + 180)
        bonds["H"] = ["N"]
        bonds["N"].insert(1, "H")
        order.append("H")
    order.append("CA")
    has = ["HA2", "HA3"] if name == "GLY" else ["HA"]
    for i, h in enumerate(has):
        t = THA if i == 0 else TCB
        xyz[h] = place(xyz["CA"], xyz["N"], xyz["C"], 1.09, 109.5, t)
        bonds[h] = ["CA"]
        bonds["CA"].insert(1 + i, h)
    order += has
    types = {"-C": "C", "N": "N_IMI" if name == "PRO" else "N", "H": "HN", "CA": "CA",
             "HA": "HC", "HA2": "HC", "HA3": "HC", "C": "C", "O": "O", "+N": "N"}
    for (nm, typ, p, g, gg, bond, ang, tors) in r["side"]:
        xyz[nm] = place(xyz[p], xyz[g], xyz[gg], bond, ang, tors)
        types[nm] = typ
        bonds[nm] = [p]
        bonds[p].append(nm)
    for x, y in r.get("rings", []):
        bonds[x].append(y)
        bonds[y].append(x)
    pseudo_of = {}
    side_names = [a[0] for a in r["side"]]
    for q, members in r["pseudo"]:
        for m in members:
            pseudo_of[m] = q
    # Side chain in order, each pseudo atom after its last member.
    last_member = {q: max((side_names + has).index(m) for m in ms) for q, ms in r["pseudo"]}
    seq = []
    for i, nm in enumerate(has):
        pass
    for q, ms in r["pseudo"]:
        xyz[q] = v_mul([sum(xyz[m][k] for m in ms) for k in range(3)], 1.0 / len(ms))
        types[q] = "PSEUD"
        bonds[q] = []
    if name == "GLY":
        order.append("QA")
    for nm in side_names:
        seq.append(nm)
        for q, ms in r["pseudo"]:
            if q != "QA" and ms[-1] == nm:
                seq.append(q)
    order += seq
    last_side = len(order)
    order += ["C", "O", "+N"]
    idx = {nm: i + 1 for i, nm in enumerate(order)}
    lines = []
    nat = len(order)
    dih = [("PHI", "-C", "N", "CA", "C", 0), ("PSI", "N", "CA", "C", "+N", 0)]
    for (cn, a1, a2, a3, a4) in r["chi"]:
        dih.append((cn, a1, a2, a3, a4, last_side))
    lines.append("")
    lines.append("RESIDUE   %-5s%5d%5d%5d%5d" % (name, len(dih), nat, 2, nat - 1))
    for i, d in enumerate(dih):
        refs = [idx[x] for x in d[1:5]] + [d[5]]
        lines.append("%4d %-5s%5d%5d%10.4f%5d%5d%5d%5d%5d" % ((i + 1, d[0], 0, 0, 0.0) + tuple(refs)))
    for nm in order:
        bl = [idx[b] for b in bonds[nm]]
        if len(bl) > 4:
            raise SystemExit("too many bonds at %s %s" % (name, nm))
        bl += [0] * (4 - len(bl))
        q = idx[pseudo_of[nm]] if nm in pseudo_of else 0
        c = xyz[nm]
        lines.append("%4d %-5s%-5s%5d%10.4f%10.4f%10.4f%10.4f%5d%5d%5d%5d%5d" %
                     ((idx[nm], nm, types[nm], 0, 0.0, c[0], c[1], c[2]) + tuple(bl) + (q,)))
    # Sanity: every bond has a sensible length.
    for nm in order:
        for b in bonds[nm]:
            d = math.sqrt(v_dot(v_sub(xyz[nm], xyz[b]), v_sub(xyz[nm], xyz[b])))
            if not 0.9 < d < 1.9:
                raise SystemExit("bad bond %s %s-%s %.2f" % (name, nm, b, d))
    return lines


def main():
    R = residues()
    out = ["# Quilter standard residue library: the 21 amino acid types.",
           "# Written by tools/mklib.py; edit that script, not this file.",
           "# Atom types: the backbone carbonyl carbon is type 8 (C), the amide",
           "# nitrogen type 11 (N); PSEUD marks pseudo atoms (element 0).",
           "",
           "ATOMTYPES %5d%10.2f" % (len(ATOMTYPES), 0.5)]
    for i, (n, rad, hb, el) in enumerate(ATOMTYPES):
        out.append("%4d %-5s%10.2f%5d%5d" % (i + 1, n, rad, hb, el))
    for name in ORDER:
        out += build(name, R[name])
    rows = []
    for name in ORDER:
        c, ca, cbv, n, h, ha = SHIFTS[name]
        for atom, v in (("C", c), ("CA", ca), ("CB", cbv), ("N", n), ("H", h), ("HA", ha)):
            if v is None:
                continue
            if name == "GLY" and atom == "HA":
                for hh in ("HA2", "HA3"):
                    rows.append((name, hh, v, SPREAD["HA"]))
                continue
            rows.append((name, atom, v, SPREAD[atom]))
    out += ["", "", "# residue atom  n  mean  spread  lowest  highest", "CSTABLE   %5d" % len(rows)]
    for i, (res, atom, mean, sd) in enumerate(rows):
        out.append("%4d %-5s%-5s%5d%10.3f%10.3f%10.3f%10.3f" %
                   (i + 1, res, atom, 0, mean, sd, mean - 4 * sd, mean + 4 * sd))
    print("\n".join(out))


main()
