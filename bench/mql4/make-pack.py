#!/usr/bin/env python3
"""make-pack.py FOLDER: an MQL4 catalogue as publishers ship one.

About 800 source files of a few KB (indicators, each in a folder of its own,
experts, scripts and a library of include files in subfolders), written in
the styles of many authors, and a few binaries (compiled programs and a
DLL). The same seed gives the same bytes on every machine.
"""
import os
import random
import sys

rng = random.Random(20261208)

WORDS = ("trend signal filter channel band level price close open high low volume momentum "
         "volatility range breakout pullback reversal divergence cross average smooth fast slow "
         "period shift bar candle session swing pivot support resistance zone target stop profit "
         "loss risk lot order ticket magic spread slippage alert arrow line histogram buffer value "
         "color width style count limit start end day week hour minute tick").split()
NAME_PARTS = ("Fast Slow Signal Main Upper Lower Middle Trend Bull Bear Up Down Buy Sell Long Short "
              "Ma Ema Sma Rsi Atr Cci Adx Macd Stoch Band Channel Level Price Close High Low Range "
              "Pivot Swing Zone Line Arrow Hist Count Bars Shift Period Step Limit Max Min Prev Last "
              "Total Sum Avg Delta Ratio Factor Offset Width Color").split()
COMMENT_PHRASES = (
    "calculate the {0} for every new bar", "skip bars that are not complete yet",
    "the {0} is drawn only when the {1} confirms it", "reset the {0} buffer before the first run",
    "check the {0} against the {1} of the previous bar", "TODO: make the {0} an input",
    "avoid division by zero when the {0} is flat", "old terminals need the {0} set explicitly",
    "draw an arrow at the {0} of the signal bar", "keep the last {0} for the next tick",
    "send the {0} only once per bar", "normalize the {0} to the symbol digits",
    "this follows the original {0} formula", "the {0} and the {1} must not cross twice",
    "loop from the oldest uncounted bar to the current one", "fixed by customer request",
)
BUILTIN_INDICATORS = [
    ("iMA", "NULL,0,{p},0,{mm},{ap},{i}"), ("iRSI", "NULL,0,{p},{ap},{i}"), ("iATR", "NULL,0,{p},{i}"),
    ("iCCI", "NULL,0,{p},{ap},{i}"), ("iMomentum", "NULL,0,{p},{ap},{i}"),
    ("iStochastic", "NULL,0,{p},3,3,MODE_SMA,0,MODE_MAIN,{i}"),
    ("iMACD", "NULL,0,12,26,9,{ap},MODE_MAIN,{i}"), ("iBands", "NULL,0,{p},2.0,0,{ap},MODE_UPPER,{i}"),
    ("iADX", "NULL,0,{p},{ap},MODE_MAIN,{i}"), ("iWPR", "NULL,0,{p},{i}"),
]
MA_METHODS = ["MODE_SMA", "MODE_EMA", "MODE_SMMA", "MODE_LWMA"]
PRICES = ["PRICE_CLOSE", "PRICE_OPEN", "PRICE_HIGH", "PRICE_LOW", "PRICE_MEDIAN", "PRICE_TYPICAL"]
COLORS = ["clrRed", "clrBlue", "clrLime", "clrYellow", "clrDodgerBlue", "clrOrange", "clrMagenta",
          "clrAqua", "clrGold", "clrSilver", "clrTomato", "clrSeaGreen", "Red", "Blue", "Green"]
AUTHORS = ["MetaQuotes Software Corp.", "Copyright 2014, FxCoder", "Copyright 2016, T. Nguyen",
           "Copyright 2019, Forex Tools Ltd.", "Copyright 2012, mladen", "Copyright 2021, J. Berger",
           "Copyright 2018, TradeLab", "Copyright 2015, A. Petrov", "Copyright 2020, PipHunter"]
SITES = ["https://www.mql5.com", "http://www.forex-tools.example", "https://tradelab.example.com",
         "http://fxcoder.example.net", ""]


class Style:
    """One author's habits: indentation, braces, spacing."""

    def __init__(self):
        self.indent = rng.choice(["   ", "    ", "\t", "  "])
        self.brace_own_line = rng.random() < 0.6
        self.space = rng.random() < 0.7
        self.comments = rng.random()

    def op(self, a, o, b):
        return f"{a} {o} {b}" if self.space else f"{a}{o}{b}"


def ident(parts=2):
    return "".join(rng.choice(NAME_PARTS) for _ in range(parts))


def phrase():
    return rng.choice(COMMENT_PHRASES).format(rng.choice(WORDS), rng.choice(WORDS))


def number():
    return rng.choice([str(rng.randint(1, 200)), f"{rng.uniform(0, 5):.{rng.randint(1, 5)}f}", "0", "1", "2"])


class Writer:
    def __init__(self, style):
        self.s, self.lines, self.depth = style, [], 0

    def line(self, text=""):
        self.lines.append((self.s.indent * self.depth + text) if text else "")

    def open(self, head):
        if self.s.brace_own_line:
            self.line(head)
            self.line("{")
        else:
            self.line(head + " {")
        self.depth += 1

    def close(self, tail=""):
        self.depth -= 1
        self.line("}" + tail)

    def comment(self, force=False):
        if force or rng.random() < self.s.comments * 0.5:
            self.line("// " + phrase())

    def text(self):
        return "\r\n".join(self.lines) + "\r\n"


def expression(names, i="i"):
    call, args = rng.choice(BUILTIN_INDICATORS)
    options = [
        f"{call}({args.format(p=rng.choice(names), mm=rng.choice(MA_METHODS), ap=rng.choice(PRICES), i=i)})",
        f"(High[{i}] - Low[{i}]) * {number()}", f"Close[{i}] - Open[{i}]",
        f"MathAbs({rng.choice(names)} - Close[{i}+1])", f"NormalizeDouble({rng.choice(names)} * Point, Digits)",
        f"MathMax(High[{i}], High[{i}+1]) - MathMin(Low[{i}], Low[{i}+1])",
    ]
    return rng.choice(options)


def statements(w, names, buffers, count, depth=0):
    for _ in range(count):
        w.comment()
        kind = rng.random()
        if kind < 0.35 or depth > 1:
            target = rng.choice(buffers) + "[i]" if buffers and rng.random() < 0.6 else rng.choice(names)
            w.line(w.s.op(target, "=", expression(names)) + ";")
        elif kind < 0.6:
            w.open("if(" + w.s.op(rng.choice(names), rng.choice([">", "<", ">=", "!="]), expression(names)) + ")")
            statements(w, names, buffers, rng.randint(1, 3), depth + 1)
            w.close()
            if rng.random() < 0.3:
                w.open("else")
                statements(w, names, buffers, rng.randint(1, 2), depth + 1)
                w.close()
        elif kind < 0.75:
            w.open(f"for(int k=0; k<{rng.choice(names)}; k++)")
            statements(w, names, buffers, rng.randint(1, 2), depth + 1)
            w.close()
        elif kind < 0.85:
            w.line(f'Print("{rng.choice(WORDS)} {rng.choice(WORDS)}: ", DoubleToStr({rng.choice(names)}, Digits));')
        elif kind < 0.93:
            obj = f'"{ident(1)}_"+TimeToStr(Time[i])'
            w.line(f"ObjectCreate(0, {obj}, OBJ_ARROW, 0, Time[i], {expression(names)});")
            w.line(f"ObjectSetInteger(0, {obj}, OBJPROP_COLOR, {rng.choice(COLORS)});")
        else:
            w.line(f"double {ident(2)} = {expression(names)};")


def header(w, name, ext):
    bar = "//+" + "-" * 66 + "+"
    w.line(bar)
    w.line("//|" + f"{name}.{ext}".rjust(66) + "|")
    author = rng.choice(AUTHORS)
    w.line("//|" + author.rjust(66) + "|")
    site = rng.choice(SITES)
    w.line("//|" + site.rjust(66) + "|")
    w.line(bar)
    w.line(f'#property copyright "{author}"')
    if site:
        w.line(f'#property link      "{site}"')
    w.line(f'#property version   "{rng.randint(1, 3)}.{rng.randint(0, 99):02d}"')
    w.line("#property strict")


def inputs(w, count):
    names = []
    for _ in range(count):
        kind = rng.random()
        name = ident(2)
        keyword = rng.choice(["input", "input", "extern"])
        if kind < 0.45:
            decl = f"{keyword} int    {name} = {rng.randint(2, 200)};"
        elif kind < 0.7:
            decl = f"{keyword} double {name} = {rng.uniform(0, 10):.{rng.randint(1, 4)}f};"
        elif kind < 0.8:
            decl = f"{keyword} ENUM_MA_METHOD {name} = {rng.choice(MA_METHODS)};"
        elif kind < 0.9:
            decl = f"{keyword} bool   {name} = {rng.choice(['true', 'false'])};"
        else:
            decl = f'{keyword} string {name} = "{rng.choice(WORDS)}";'
        if rng.random() < 0.5:
            decl += f" // {rng.choice(WORDS)} {rng.choice(WORDS)}"
        w.line(decl)
        names.append(name)
    return names


def functions(w, names, buffers, count):
    for _ in range(count):
        w.line()
        w.line("//+" + "-" * 66 + "+")
        w.line(f"//| {phrase():<65}|")
        w.line("//+" + "-" * 66 + "+")
        w.open(f"double {ident(2)}(int i, double {ident(1).lower()})")
        statements(w, names, buffers, rng.randint(3, 9))
        w.line(f"return({rng.choice(names)});")
        w.close()


def indicator(name):
    w = Writer(Style())
    header(w, name, "mq4")
    buffers_n = rng.randint(1, 6)
    w.line("#property " + rng.choice(["indicator_chart_window", "indicator_separate_window"]))
    w.line(f"#property indicator_buffers {buffers_n}")
    for b in range(1, buffers_n + 1):
        w.line(f"#property indicator_color{b} {rng.choice(COLORS)}")
        if rng.random() < 0.5:
            w.line(f"#property indicator_width{b} {rng.randint(1, 3)}")
    w.line()
    names = inputs(w, rng.randint(3, 12))
    w.line()
    buffers = [f"Ext{ident(1)}Buffer{b}" for b in range(buffers_n)]
    for b in buffers:
        w.line(f"double {b}[];")
    w.line()
    w.open("int OnInit()")
    w.comment(True)
    for b, buf in enumerate(buffers):
        w.line(f"SetIndexBuffer({b}, {buf});")
        w.line(f"SetIndexStyle({b}, {rng.choice(['DRAW_LINE', 'DRAW_HISTOGRAM', 'DRAW_ARROW'])});")
        w.line(f'SetIndexLabel({b}, "{ident(1)}");')
    w.line(f'IndicatorShortName("{name}(" + IntegerToString({names[0]}) + ")");')
    w.line("return(INIT_SUCCEEDED);")
    w.close()
    w.line()
    w.line("int OnCalculate(const int rates_total, const int prev_calculated, const datetime &time[],")
    w.line("                const double &open[], const double &high[], const double &low[],")
    w.line("                const double &close[], const long &tick_volume[], const long &volume[],")
    w.open("                const int &spread[])")
    w.line("int limit = rates_total - prev_calculated;")
    w.line("if(prev_calculated > 0) limit++;")
    w.open("for(int i = limit - 1; i >= 0; i--)")
    statements(w, names, buffers, rng.randint(4, 14))
    w.close()
    w.line("return(rates_total);")
    w.close()
    functions(w, names, buffers, rng.randint(0, 4))
    return w.text()


def expert(name):
    w = Writer(Style())
    header(w, name, "mq4")
    w.line()
    names = inputs(w, rng.randint(6, 16))
    w.line(f"input int MagicNumber = {rng.randint(1000, 999999)};")
    w.line(f"input double Lots = {rng.choice(['0.01', '0.1', '1.0'])};")
    w.line()
    w.open("int OnInit()")
    w.line("return(INIT_SUCCEEDED);")
    w.close()
    w.line()
    w.open("void OnTick()")
    w.line("if(Volume[0] > 1) return;")
    w.open("for(int t = OrdersTotal() - 1; t >= 0; t--)")
    w.line("if(!OrderSelect(t, SELECT_BY_POS, MODE_TRADES)) continue;")
    w.line("if(OrderMagicNumber() != MagicNumber || OrderSymbol() != Symbol()) continue;")
    w.close()
    w.line("int i = 1;")
    statements(w, names, [], rng.randint(4, 12))
    w.open("if(" + w.s.op(rng.choice(names), ">", expression(names)) + ")")
    w.line('int ticket = OrderSend(Symbol(), OP_BUY, Lots, Ask, 3, 0, 0, "' + name + '", MagicNumber, 0, clrGreen);')
    w.line('if(ticket < 0) Print("OrderSend failed with error #", GetLastError());')
    w.close()
    w.close()
    functions(w, names, [], rng.randint(1, 5))
    return w.text()


def include(name):
    w = Writer(Style())
    header(w, name, "mqh")
    w.line(f"#ifndef {name.upper()}_MQH")
    w.line(f"#define {name.upper()}_MQH")
    w.line()
    cls = "C" + ident(2)
    w.open(f"class {cls}")
    w.line("private:")
    names = [ident(2) for _ in range(rng.randint(3, 8))]
    for n in names:
        w.line(f"   double m_{n};")
    w.line("public:")
    for _ in range(rng.randint(3, 8)):
        w.line(f"   double {ident(2)}(int i);")
    w.close(";")
    functions(w, names, [], rng.randint(2, 6))
    w.line("#endif")
    return w.text()


def compiled(size):
    """An .ex4 or DLL: a header, code-like bytes of little redundancy, tables, strings."""
    out = bytearray(b"MZ\x90\x00" + bytes(60))
    while len(out) < size:
        kind = rng.random()
        if kind < 0.6:
            out += bytes(rng.choice([0x8B, 0x89, 0x55, 0xE8, 0x83, 0xC3, 0x00, rng.randrange(256)]) for _ in range(256))
        elif kind < 0.8:
            out += rng.randbytes(256)
        elif kind < 0.9:
            out += bytes(rng.randrange(64))
        else:
            out += (" ".join(rng.choice(WORDS) for _ in range(8)) + "\0").encode()
    return bytes(out[:size])


def main():
    folder = os.path.join(sys.argv[1], "MQL4")
    files = {}
    for n in range(560):
        name = f"{ident(2)} {rng.choice(['v', 'mtf ', '#', '!', ''])}{n}"
        files[f"Indicators/{name}/{name}.mq4"] = indicator(name).encode("latin-1")
    for n in range(110):
        name = f"{ident(2)} EA {n}"
        files[f"Experts/{name}.mq4"] = expert(name).encode("latin-1")
    for n in range(40):
        name = f"{ident(1)}Script{n}"
        files[f"Scripts/{name}.mq4"] = expert(name).encode("latin-1")
    for n in range(90):
        name = f"{ident(2)}{n}"
        files[f"Include/Lib{n % 12}/{name}.mqh"] = include(name).encode("latin-1")
    for n, size in enumerate([48 << 10, 96 << 10, 160 << 10]):
        files[f"Experts/Compiled{n}.ex4"] = compiled(size)
    files["Libraries/TradeBridge.dll"] = compiled(220 << 10)
    for relative, data in files.items():
        path = os.path.join(folder, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data)
    total = sum(len(d) for d in files.values())
    print(f"{len(files)} files, {total} bytes")


if __name__ == "__main__":
    main()
