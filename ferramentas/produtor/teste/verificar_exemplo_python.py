"""Runs the README's Python ctypes example against a recording stand-in for
norva_escritor.dll: every function it calls must be declared with argtypes
(and restype where the C function does not return int) exactly as the C
header declares it, and every argument it passes must convert to its
declared type. Usage: verificar_exemplo_python.py README.md norva_escritor.h
"""
import ctypes
import re
import sys
import time

C_PARA_CTYPES = {
    "int": ctypes.c_int,
    "const char*": ctypes.c_char_p,
    "const void*": ctypes.c_void_p,
    "size_t": ctypes.c_size_t,
    "uint32_t": ctypes.c_uint32,
    "uint64_t": ctypes.c_uint64,
    "norva_escritor": ctypes.c_uint64,
    "norva_escritor*": ctypes.POINTER(ctypes.c_uint64),
}


def tipo(texto):
    return C_PARA_CTYPES[re.sub(r"\s*\*", "*", " ".join(texto.split()))]


def prototipos(cabecalho):
    achados = {}
    for ret, nome, params in re.findall(
        r"NORVA_ESCRITOR_API\s+([\w\s\*]+?)\s*\b(norva_escritor_\w+)\s*\(([^)]*)\)\s*;", cabecalho
    ):
        nomes_de_parametros = [p.strip() for p in params.split(",") if p.strip() not in ("", "void")]
        tipos = [re.sub(r"\s*\b\w+$", "", p) for p in nomes_de_parametros]
        achados[nome] = (tipo(ret) if ret.strip() != "void" else None, tipos)
    return achados


class Funcao:
    def __init__(self, nome):
        self.nome, self.argtypes, self.restype, self.chamadas = nome, None, ctypes.c_int, 0

    def __call__(self, *args):
        if self.argtypes is None or len(args) != len(self.argtypes):
            raise TypeError(f"{self.nome}: called with {len(args)} arguments, argtypes {self.argtypes}")
        for declarado, valor in zip(self.argtypes, args):
            declarado.from_param(valor)  # raises as ctypes would on Windows
        self.chamadas += 1
        return b"" if self.restype is ctypes.c_char_p else 0


class Biblioteca:
    def __init__(self, conhecidas):
        self.conhecidas, self.funcoes = conhecidas, {}

    def __getattr__(self, nome):
        if nome not in self.conhecidas:
            raise AttributeError(f"{nome} is not in the C header")
        return self.funcoes.setdefault(nome, Funcao(nome))


def main():
    readme, cabecalho = (open(a, encoding="utf-8").read() for a in sys.argv[1:3])
    exemplo = readme.split("<!-- exemplo-python -->", 1)[1].split("```python\n", 1)[1].split("\n```", 1)[0]
    c = prototipos(cabecalho)
    biblioteca = Biblioteca(c)
    ctypes.CDLL = lambda *a, **k: biblioteca
    time.sleep = lambda s: None
    exec(compile(exemplo, "README.md (Python example)", "exec"), {"__name__": "__main__"})
    erros = []
    for nome, f in biblioteca.funcoes.items():
        retorno, parametros = c[nome]
        esperados = [tipo(p) for p in parametros]
        if list(f.argtypes or []) != esperados:
            erros.append(f"{nome}: argtypes {f.argtypes}, the header says {esperados}")
        if f.restype is not (retorno or ctypes.c_int) and retorno is not None:
            erros.append(f"{nome}: restype {f.restype}, the header says {retorno}")
    for e in erros:
        print("error:", e)
    chamadas = sum(f.chamadas for f in biblioteca.funcoes.values())
    print(f"{len(biblioteca.funcoes)} functions checked against the header, {chamadas} calls")
    return 1 if erros or not biblioteca.funcoes else 0


if __name__ == "__main__":
    sys.exit(main())
