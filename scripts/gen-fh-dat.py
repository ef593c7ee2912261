#!/usr/bin/env python3
"""Writes useinfo/fh.dat: the symbols of the symbol palette, one per line, in code
page 936 with CR LF line ends. The palette shows ten symbols a row, so the list below
is kept in rows of ten, the most used first.

Python's gbk codec and Windows code page 936 agree on every character here. Symbols
the code page lacks are left out: superscripts (use the ㎡ sign for square metres;
there is none for cubic metres), vulgar fractions, the empty-set and diameter signs
(Φ stands for a bar diameter).
"""
import os
import sys

SYMBOLS = """
× ÷ ± ≤ ≥ ≠ ≈ ∞ ° ℃
′ ″ ㎡ ㎜ ㎝ ㎞ ㎏ Φ φ ‰
① ② ③ ④ ⑤ ⑥ ⑦ ⑧ ⑨ ⑩
⑴ ⑵ ⑶ ⑷ ⑸ ⑹ ⑺ ⑻ ⑼ ⑽
⑾ ⑿ ⒀ ⒁ ⒂ ⒃ ⒄ ⒅ ⒆ ⒇
α β γ δ ε θ λ μ π ρ
σ τ ω Δ Σ Ω § № ‖ ∠
⊥ ∥ √ ∑ ∏ ∫ ∮ ≡ ∽ ∴
∵ ∷ ← ↑ → ↓ ■ □ ▲ △
● ○ ◆ ◇ ★ ☆ ◎ ※ ⊙ ∶
Ⅰ Ⅱ Ⅲ Ⅳ Ⅴ Ⅵ Ⅶ Ⅷ Ⅸ Ⅹ
㎎ ㏄ ℉ ￥ ≮ ≯ ∈ ∪ ∩ ≌
"""


def main():
    symbols = SYMBOLS.split()
    seen = set()
    out = bytearray()
    for s in symbols:
        if s in seen:
            sys.exit(f"repeated symbol: {s}")
        seen.add(s)
        try:
            out += s.encode("gbk") + b"\r\n"
        except UnicodeEncodeError:
            sys.exit(f"not in code page 936: {s} (U+{ord(s[0]):04X})")
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = os.path.join(root, "useinfo", "fh.dat")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(out)
    print(f"{path}: {len(symbols)} symbols")


if __name__ == "__main__":
    main()
