! A Fortran program using the installed Halx package through the module halx:
! prints properties of sodium chloride over a grid of temperatures and
! pressures as CSV, each double with 17 significant digits, which read back
! as the very same double.
!
! Build it with the module's source and the shared library:
!   gfortran $(pkg-config --variable=fortran_module halx-c) halx_table.f90 \
!       $(pkg-config --libs halx-c) -o halx_table
program halx_table
    use, intrinsic :: iso_c_binding, only: c_double, c_int
    use halx, only: T_Triple, P_Triple, P_Boiling, P_Sublimation, Rho_Solid, T_Boiling, P_Melting, phase, &
                    H_Sublimation, H_Fusion, Alpha_Liquid
    implicit none
    ! Temperatures in degrees Celsius and pressures in bar, the triple point among them.
    real(c_double), parameter :: temperatures(6) = [25.0_c_double, 500.0_c_double, T_Triple, 900.0_c_double, &
                                                     1000.0_c_double, 1200.0_c_double]
    real(c_double), parameter :: pressures(4) = [P_Triple, 1.0_c_double, 100.0_c_double, 1000.0_c_double]
    real(c_double) :: T, P
    integer :: i, j

    write (*, '(a)') 'T (degC),P (bar),P_Boiling (bar),P_Sublimation (bar),Rho_Solid (kg/m3),T_Boiling (degC),' // &
        'P_Melting (bar),phase,H_Sublimation (J/mol),H_Fusion (J/mol),Alpha_Liquid (1/K)'
    do i = 1, size(temperatures)
        do j = 1, size(pressures)
            T = temperatures(i)
            P = pressures(j)
            ! The phase as its code: HALX_PHASE_SOLID (1), _LIQUID (2), _VAPOUR (3).
            write (*, '(a)') number(T) // ',' // number(P) // ',' // number(P_Boiling(T)) // ',' // &
                number(P_Sublimation(T)) // ',' // number(Rho_Solid(T, P)) // ',' // number(T_Boiling(P)) // ',' // &
                number(P_Melting(T)) // ',' // code(phase(T, P)) // ',' // number(H_Sublimation(T)) // ',' // &
                number(H_Fusion(P)) // ',' // number(Alpha_Liquid(T, P))
        end do
    end do

contains

    ! x with 17 significant digits, without blanks.
    function number(x) result(text)
        real(c_double), intent(in) :: x
        character(len=:), allocatable :: text
        character(len=32) :: buffer
        write (buffer, '(es25.16e3)') x
        text = trim(adjustl(buffer))
    end function number

    function code(n) result(text)
        integer(c_int), intent(in) :: n
        character(len=:), allocatable :: text
        character(len=12) :: buffer
        write (buffer, '(i0)') n
        text = trim(buffer)
    end function code

end program halx_table
