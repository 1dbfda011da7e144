// The About page.
#pragma once
#include <windows.h>

const char *const ProductLine = "Memvale v1.0.0";
const char *const ProductName = "Memvale";
const char *const AuthorEmail = "jonas.ferren@memvale.example.org";
// The maker's web site: the "Web:" line of the page shows it and "Visit Website" opens it.
const char *const WebAddress = "https://memvale.example.org";
// Three centred lines; %s is the product name.
const char *const TermsFormat = "%s is free software for personal and commercial use.\n"
                                "It comes with no warranty of any kind.\n"
                                "Use it at your own risk.";

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
void FillAboutPage(HWND page);
